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

// An archived event with its row id, which orders events of equal times.
struct TArchivedEvent {
    qint64 Id = 0;
    type_events_record Event;
};

// One event-log download of a controller and the events it brought that the
// archive did not hold yet.
struct TArchivedDownload {
    qint64 ActionId = 0;
    QDateTime When;        // UTC, as the register keeps it
    bool Complete = false; // every slot was read
    int NewEvents = 0;
    qint64 OldestMinute = 0; // of the new events, minutes after 1 January 2010
    qint64 NewestMinute = 0;
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
    // Up to limit of the controller's events in the same order, from those
    // that follow after (nullptr: from the newest).
    QList<TArchivedEvent> Page(const QString &serial, const TArchivedEvent *after, int limit) const;
    // The controller's events from the first date to the last, oldest first.
    void ForEachEventBetween(const QString &serial, const QDate &first, const QDate &last,
                             const std::function<void(const type_events_record &)> &take) const;
    // The controller's event-log downloads, oldest first.
    QList<TArchivedDownload> Downloads(const QString &serial) const;
    int EventCount(const QString &serial) const;
    QList<TArchivedController> Controllers() const;

private:
    TDM &fDM;
};

// Writes the controller's archived events to an event-log file as they are
// read, never holding them whole; returns how many were written.
int SaveArchiveFile(const TEventArchive &archive, const QString &serial, const QString &fileName,
                    const QLocale &locale = QLocale::system());

// The list rows of events (newest first), as the Event Log page shows them.
QList<TListItem> EventRows(const QList<type_events_record> &events, const QLocale &locale = QLocale::system());
