#pragma once
#include "protocol/beaconprotocol.h"
#include "store/listtext.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <functional>

// The controller keeps its event log in this many numbered slots.
inline constexpr int EventSlotCount = 93;

struct TEventLogDownload {
    // One row per event read, newest first; among equal times the higher slot first.
    QList<TListItem> Rows;
    // The events of Rows, in the same order.
    QList<type_events_record> Events;
    // Slots whose read got no valid reply; they are not listed.
    int Unreadable = 0;
    // The operator aborted: Rows is empty and the list keeps what it showed.
    bool Aborted = false;
    // The link's error text when the line failed part-way; Rows then holds
    // the events read before it.
    QString Error;
};

// Called before each slot with its number: shows the position, lets window
// events run (where an Abort click is seen) and returns false to abort.
using TEventProgress = std::function<bool(int slot)>;

// Reads all slots with the identity poll held off, sorts them by date and
// time and returns the list rows.
TEventLogDownload DownloadEventLog(const TEventProgress &progress, const QLocale &locale = QLocale::system());
