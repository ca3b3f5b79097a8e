#include "eventlog/eventdownload.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "eventlog/events.h"
#include "link/dmcom.h"
#include "protocol/beaconprotocol.h"
#include "transfer/scanpause.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {
// ReadEventRecord leaves the record as it was when no valid reply came. A
// record no reply could produce as a real event (its time of day is
// negative) tells such a slot apart, so it never repeats its neighbour.
type_events_record NotRead()
{
    type_events_record record;
    record.day_num = record.minutes_num = std::numeric_limits<qint16>::min();
    record.event_type = std::numeric_limits<qint8>::min();
    std::fill(std::begin(record.parms), std::end(record.parms), std::numeric_limits<qint16>::min());
    return record;
}

bool Same(const type_events_record &a, const type_events_record &b)
{
    return a.day_num == b.day_num && a.minutes_num == b.minutes_num && a.event_type == b.event_type &&
           std::equal(std::begin(a.parms), std::end(a.parms), std::begin(b.parms));
}
}

QString TEventLogDownload::Problem() const
{
    if (Aborted)
        return {};
    if (!Error.isEmpty())
        return Fmt(Msg::EventDownloadStopped, Error, int(Rows.size()));
    if (StoppedAnswering)
        return Fmt(Msg::EventBeaconStoppedAnswering, int(Rows.size()));
    if (Unreadable > 0)
        return Fmt(Msg::EventSlotsUnreadable, Unreadable);
    return {};
}

TEventLogDownload DownloadEventLog(const TEventProgress &progress, const QLocale &locale)
{
    TEventLogDownload result;
    std::vector<TEvents> events;
    {
        TdmCOM &link = dmCOM();
        // Ended after the pause, so that an aborted download does not wait
        // for its last reply: the link remembers it, and whatever uses the
        // line next waits for it first.
        const TLinkAbortScope abortable(link);
        const TScanPause pause;
        const TLinkActivity activity(link, QString::fromUtf8(Msg::ActivityEventLog));
        const type_events_record notRead = NotRead();
        int silentInRow = 0;
        for (int slot = 0; slot < EventSlotCount && silentInRow < SilentSlotLimit; ++slot) {
            if (progress && !progress(slot)) {
                result.Aborted = true;
                return result;
            }
            type_events_record record = notRead;
            try {
                ReadEventRecord(quint8(slot), record);
            } catch (const ELinkAborted &) {
                result.Aborted = true;
                return result;
            } catch (const Exception &e) {
                result.Error = e.Message();
                break;
            }
            if (Same(record, notRead)) {
                ++result.Unreadable;
                ++silentInRow;
            } else {
                silentInRow = 0;
                events.emplace_back(record);
            }
        }
        result.StoppedAnswering = silentInRow >= SilentSlotLimit;
    }
    // Oldest first, keeping slot order among equal times; listed from the end.
    std::stable_sort(events.begin(), events.end(),
                     [](const TEvents &a, const TEvents &b) { return a.DateT() < b.DateT(); });
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        result.Rows.append(it->Row(locale));
        result.Events.append(it->event);
    }
    return result;
}
