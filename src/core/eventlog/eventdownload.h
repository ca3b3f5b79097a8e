#pragma once
#include "protocol/beaconprotocol.h"
#include "store/listtext.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <functional>

// The controller keeps its event log in this many numbered slots.
inline constexpr int EventSlotCount = 93;
// After this many slots in a row without a valid reply the Beacon is taken to
// have stopped answering, and the download stops.
inline constexpr int SilentSlotLimit = 5;

struct TEventLogDownload {
    // One row per event read, newest first; among equal times the higher slot first.
    QList<TListItem> Rows;
    // The events of Rows, in the same order.
    QList<type_events_record> Events;
    // Slots whose read got no valid reply; they are not listed.
    int Unreadable = 0;
    // The operator aborted: Rows is empty and the list keeps what it showed.
    bool Aborted = false;
    // The download stopped after SilentSlotLimit slots in a row without a
    // valid reply; Rows holds the events read before.
    bool StoppedAnswering = false;
    // The link's error text when the line failed part-way; Rows then holds
    // the events read before it.
    QString Error;

    // Every slot was read.
    bool Complete() const { return !Aborted && !StoppedAnswering && Error.isEmpty() && Unreadable == 0; }
    // The one message for a download that is not complete (empty when it is,
    // or when the operator aborted): the line's error, the Beacon that
    // stopped answering, or the slots that could not be read.
    QString Problem() const;
};

// Called before each slot with its number: shows the position, lets window
// events run and returns false to abort.
using TEventProgress = std::function<bool(int slot)>;

// Reads all slots with the identity poll held off, sorts them by date and
// time and returns the list rows. TdmCOM::Abort (the Abort button, Ctrl-C)
// ends it at once, also in the middle of an exchange.
TEventLogDownload DownloadEventLog(const TEventProgress &progress, const QLocale &locale = QLocale::system());
