#pragma once
#include "audit/operation.h"
#include "history/eventarchive.h"

class TDM;

// What the downloads of a controller's event log cover. A complete download
// holds every event from its oldest slot up to the moment it was read. One
// that brought fewer new events than the log has slots reached back into
// events already archived, so it covers on from the download before it; one
// that brought a whole log of new events may have missed events that the
// controller overwrote, so it covers only from its oldest event. A download
// that was not complete covers nothing.
QList<TCoveredSpan> CoveredSpans(const QList<TArchivedDownload> &downloads);

// The configurations in force, oldest first, from the controller's recorded
// uploads and downloads. An upload that did not end well leaves the
// configuration unknown until the next one that did; so does one that held
// only some parts when the others were not known. A failed download changes nothing.
QList<TConfigPeriod> ConfigPeriods(TDM &dm, const QString &serial);

// Everything the comparison needs, read from the library database.
TAuditInput LoadAuditInput(TDM &dm, const QString &serial, QDate from, QDate to, int toleranceMinutes = 2);
