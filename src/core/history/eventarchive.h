#pragma once
#include "protocol/beaconprotocol.h"
#include "store/listtext.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <functional>
#include <QString>

class TDM;

// A controller whose events are archived.
struct TArchivedController {
    QString Serial;
    int EventCount = 0;
    QDateTime Newest; // the newest event's date and time
};

// Every event ever downloaded, per controller, in the library database
// beside the register. An event is the same event when controller, date and
// time, event code, both voltages and brightness agree; it is kept once.
class TEventArchive {
public:
    explicit TEventArchive(TDM &dm);

    // Adds the events of one download (newest first, as listed) that the
    // archive does not hold yet, noting the action that brought them; returns
    // how many were new. Nothing is archived for an empty serial number.
    int Merge(const QString &serial, const QList<type_events_record> &events, qint64 actionId);
    // The controller's archived events, newest first; among equal times the
    // later arrival first, as a download lists the higher slot first.
    QList<type_events_record> Events(const QString &serial) const;
    // The same events handed to take one at a time, as they are read.
    void ForEachEvent(const QString &serial, const std::function<void(const type_events_record &)> &take) const;
    int EventCount(const QString &serial) const;
    QList<TArchivedController> Controllers() const;

private:
    TDM &fDM;
};

// The list rows of events (newest first), as the Event Log page shows them.
QList<TListItem> EventRows(const QList<type_events_record> &events, const QLocale &locale = QLocale::system());
