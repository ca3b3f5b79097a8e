#include "calendarimport/calendarimport.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/localetext.h"

#include <QSet>
#include <QTimeZone>
#include <algorithm>
#include <tuple>

#include <libical/ical.h>

namespace {
// What a calendar record can hold: a day number of 1 to 65534 (0 and 65535
// end the Beacon's table), at most 255 days, a name of 15 characters.
constexpr int FirstDayNum = 1;
constexpr int LastDayNum = 65534;
constexpr int MaxDays = 255;
constexpr int MaxNameLength = 15;
// Enough for a daily rule over the whole store range; a rule that never gets
// past the range's end stops here.
constexpr int MaxInstances = 100000;

struct TComponentFree {
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using TComponentPtr = std::unique_ptr<icalcomponent, TComponentFree>;

QDate DateOf(const icaltimetype &t)
{
    return QDate(t.year, t.month, t.day);
}

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8).simplified();
}

QString Day(const QDate &date)
{
    return DateInWords(date);
}

// One VEVENT as the import reads it.
struct TEvent {
    int order = 0; // place in the file
    icalcomponent *comp = nullptr;
    QString summary;    // as the file has it, unescaped
    QString categories; // all of them, for --only
    QString uid;
    bool cancelled = false;
    bool replacement = false; // has a RECURRENCE-ID: replaces one instance of a series
    bool repeats = false;     // has RRULE or RDATE
    bool hasStart = false;
    icaltimetype start{};   // DTSTART as the file has it (zone attached)
    icaltimetype wall{};    // DTSTART on the calendar's wall clock
    bool allDay = false;
    int days = 0; // for an all-day event: the dates it covers
};

// A run of dates that becomes a record, before overlapping ones are merged.
struct TRun {
    QDate first;
    QDate last;
    int order = 0; // the event's place in the file, then its instance's
    int instance = 0;
    QString summary;
};
}

struct TSchoolCalendarFile::TData {
    TComponentPtr root;
    QString name;
    const icaltimezone *zone = nullptr; // where UTC times are read; none: as UTC
    QList<TEvent> events;
    QHash<QString, QList<icaltimetype>> replaced; // UID: the RECURRENCE-IDs given events of their own

    // A time as the calendar's wall clock reads it: a time with a zone of its
    // own, a floating time and a date as written; a UTC time in the
    // calendar's zone.
    icaltimetype Wall(icaltimetype t) const
    {
        if (!t.is_date && icaltime_is_utc(t) && zone)
            return icaltime_convert_to_zone(t, const_cast<icaltimezone *>(zone));
        return t;
    }

    void ReadEvent(icalcomponent *comp);
    QList<QDate> Instances(const TEvent &e, const QDate &to) const;
};

namespace {
// The zone a TZID names: the file's own VTIMEZONE, else the system's zone
// database; none for a name neither knows (its times are then read as written).
icaltimezone *ZoneOf(icalproperty *prop, icalcomponent *comp)
{
    icalparameter *tzid = icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER);
    if (!tzid)
        return nullptr;
    const char *id = icalparameter_get_tzid(tzid);
    for (icalcomponent *c = comp; c; c = icalcomponent_get_parent(c))
        if (icaltimezone *zone = icalcomponent_get_timezone(c, id))
            return zone;
    return icaltimezone_get_builtin_timezone_from_tzid(id) ? icaltimezone_get_builtin_timezone_from_tzid(id)
                                                          : icaltimezone_get_builtin_timezone(id);
}

icaltimetype TimeOf(icalproperty *prop, icalcomponent *comp)
{
    return icalproperty_get_datetime_with_component(prop, comp);
}

QString XProperty(icalcomponent *comp, const char *name)
{
    for (icalproperty *p = icalcomponent_get_first_property(comp, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(comp, ICAL_X_PROPERTY))
        if (qstricmp(icalproperty_get_x_name(p), name) == 0)
            return Text(icalproperty_get_x(p)).replace(QStringLiteral("\\,"), QStringLiteral(","))
                .replace(QStringLiteral("\\;"), QStringLiteral(";"));
    return {};
}

QList<icalcomponent *> Children(icalcomponent *comp, icalcomponent_kind kind)
{
    QList<icalcomponent *> list;
    for (icalcomponent *c = icalcomponent_get_first_component(comp, kind); c;
         c = icalcomponent_get_next_component(comp, kind))
        list << c;
    return list;
}
}

void TSchoolCalendarFile::TData::ReadEvent(icalcomponent *comp)
{
    TEvent e;
    e.order = int(events.size());
    e.comp = comp;
    e.summary = Text(icalcomponent_get_summary(comp));
    QStringList categories;
    for (icalproperty *p = icalcomponent_get_first_property(comp, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(comp, ICAL_CATEGORIES_PROPERTY))
        categories << Text(icalproperty_get_categories(p));
    e.categories = categories.join(u',');
    e.uid = QString::fromUtf8(icalcomponent_get_uid(comp));
    e.cancelled = icalcomponent_get_status(comp) == ICAL_STATUS_CANCELLED;
    if (icalproperty *rid = icalcomponent_get_first_property(comp, ICAL_RECURRENCEID_PROPERTY)) {
        e.replacement = true;
        replaced[e.uid] << Wall(TimeOf(rid, comp));
    }
    e.repeats = !e.replacement && (icalcomponent_get_first_property(comp, ICAL_RRULE_PROPERTY) ||
                                   icalcomponent_get_first_property(comp, ICAL_RDATE_PROPERTY));
    icalproperty *dtstart = icalcomponent_get_first_property(comp, ICAL_DTSTART_PROPERTY);
    e.start = dtstart ? TimeOf(dtstart, comp) : icaltime_null_time();
    e.hasStart = !icaltime_is_null_time(e.start) && DateOf(e.start).isValid();
    if (e.hasStart) {
        e.wall = Wall(e.start);
        // The end: DTEND (exclusive), else DTSTART + DURATION, else a date's
        // one day or a time's moment.
        icaltimetype end;
        if (icalproperty *dtend = icalcomponent_get_first_property(comp, ICAL_DTEND_PROPERTY))
            end = Wall(TimeOf(dtend, comp));
        else if (icalproperty *duration = icalcomponent_get_first_property(comp, ICAL_DURATION_PROPERTY))
            end = icaltime_add(e.wall, icalproperty_get_duration(duration));
        else
            end = e.wall.is_date ? icaltime_add(e.wall, icaldurationtype_from_int(24 * 3600)) : e.wall;
        const QDate first = DateOf(e.wall);
        const qint64 span = first.daysTo(DateOf(end));
        if (e.wall.is_date) {
            // An end on or before the start (DTEND equal to DTSTART, which
            // some programs write) still means the one date.
            e.allDay = true;
            e.days = int(qBound(qint64(1), span, qint64(1) << 20));
        } else {
            const bool midnights = e.wall.hour == 0 && e.wall.minute == 0 && e.wall.second == 0 && !end.is_date &&
                                   end.hour == 0 && end.minute == 0 && end.second == 0;
            e.allDay = midnights && span >= 1;
            e.days = e.allDay ? int(qMin(span, qint64(1) << 20)) : 0;
        }
    }
    events << e;
}

// The first dates of a repeating event's instances up to to, in order: DTSTART,
// the RRULE's and the RDATEs', without the EXDATEs and the instances events of
// their own replace.
QList<QDate> TSchoolCalendarFile::TData::Instances(const TEvent &e, const QDate &to) const
{
    QList<QDate> dates{DateOf(e.wall)};
    for (icalproperty *p = icalcomponent_get_first_property(e.comp, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(e.comp, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(p), e.start);
        if (!it)
            continue;
        for (int n = 0; n < MaxInstances; ++n) {
            const icaltimetype next = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(next))
                break;
            const QDate date = DateOf(Wall(next));
            if (!date.isValid() || date > to)
                break;
            dates << date;
        }
        icalrecur_iterator_free(it);
    }
    for (icalproperty *p = icalcomponent_get_first_property(e.comp, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(e.comp, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
        icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
        if (!t.is_date && !icaltime_is_utc(t))
            if (icaltimezone *zone = ZoneOf(p, e.comp))
                t = icaltime_set_timezone(&t, zone);
        dates << DateOf(Wall(t));
    }
    QSet<QDate> left;
    for (icalproperty *p = icalcomponent_get_first_property(e.comp, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(e.comp, ICAL_EXDATE_PROPERTY))
        left.insert(DateOf(Wall(TimeOf(p, e.comp))));
    for (const icaltimetype &t : replaced.value(e.uid))
        left.insert(DateOf(t));
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    dates.erase(std::remove_if(dates.begin(), dates.end(),
                               [&](const QDate &d) { return !d.isValid() || left.contains(d); }),
                dates.end());
    return dates;
}

TSchoolCalendarFile::TSchoolCalendarFile(const QByteArray &text, const QString &file) : d(std::make_unique<TData>())
{
    icalerror_set_errors_are_fatal(0);
    if (!text.contains("BEGIN:VCALENDAR") && !text.toUpper().contains("BEGIN:VCALENDAR"))
        throw Exception(Fmt(Msg::ImportNotCalendar, file, QString::fromUtf8(Msg::ImportNoCalendarData)));
    // A NUL would end the text libical reads early, silently.
    d->root.reset(icalparser_parse_string(QByteArray(text).replace('\0', ' ').constData()));
    QList<icalcomponent *> calendars;
    if (d->root && icalcomponent_isa(d->root.get()) == ICAL_VCALENDAR_COMPONENT)
        calendars << d->root.get();
    else if (d->root)
        calendars = Children(d->root.get(), ICAL_VCALENDAR_COMPONENT);
    if (calendars.isEmpty())
        throw Exception(Fmt(Msg::ImportNotCalendar, file, QString::fromUtf8(Msg::ImportNoCalendarData)));
    d->name = XProperty(calendars.first(), "X-WR-CALNAME");
    // UTC times are read on the district's clock, which the calendar names;
    // without a name, on this computer's.
    const QString zoneName = XProperty(calendars.first(), "X-WR-TIMEZONE");
    const QByteArray zoneId = zoneName.isEmpty() ? QTimeZone::systemTimeZoneId() : zoneName.toUtf8();
    d->zone = icaltimezone_get_builtin_timezone(zoneId.constData());
    for (icalcomponent *calendar : calendars)
        for (icalcomponent *event : Children(calendar, ICAL_VEVENT_COMPONENT))
            d->ReadEvent(event);
}

TSchoolCalendarFile::~TSchoolCalendarFile() = default;

QString TSchoolCalendarFile::Name() const
{
    return d->name;
}

namespace {
QString Title(const QString &summary)
{
    return summary.isEmpty() ? QString::fromUtf8(Msg::ImportUntitled) : summary;
}

bool Matches(const TEvent &e, const QString &only)
{
    return only.isEmpty() || e.summary.contains(only, Qt::CaseInsensitive) ||
           e.categories.contains(only, Qt::CaseInsensitive);
}

// The range the options give, within the dates a record can hold.
void ChooseRange(const QList<TEvent> &events, const TImportOptions &options, TImportResult &result)
{
    QDate from = options.from;
    QDate to = options.to;
    if (!from.isValid() && !to.isValid()) {
        QDate single, repeating;
        for (const TEvent &e : events) {
            if (!e.hasStart || !e.allDay || e.cancelled || e.replacement || !Matches(e, options.only))
                continue;
            QDate &earliest = e.repeats ? repeating : single;
            if (!earliest.isValid() || DateOf(e.wall) < earliest)
                earliest = DateOf(e.wall);
        }
        from = single.isValid() ? single : repeating;
        if (!from.isValid())
            from = QDate::currentDate();
    }
    if (!to.isValid())
        to = from.addYears(1).addDays(-1);
    if (!from.isValid())
        from = to.addYears(-1).addDays(1);
    if (to < from)
        throw Exception(Fmt(Msg::ImportRangeReversed, Day(to), Day(from)));
    result.from = qMax(from, DayNumToDate(FirstDayNum));
    result.to = qMin(to, DayNumToDate(LastDayNum));
}

// A record's name from an event's summary, telling what it lost.
// A name is told once, however many records carry it.
QString RecordName(const QString &summary, const QDate &first, QSet<QString> &told, TImportResult &result)
{
    const auto tell = [&](const QString &text) {
        if (!told.contains(text)) {
            told.insert(text);
            result.shortened << TImportNote{first, text};
        }
    };
    QString name = Cp1252::NameText(summary).simplified();
    if (name != summary)
        tell(Fmt(Msg::ImportNameCharacters, summary, name, Cp1252::NameRefusal(summary)));
    if (name.size() > MaxNameLength) {
        const QString cut = name.left(MaxNameLength).trimmed();
        tell(Fmt(Msg::ImportNameCut, name, cut));
        name = cut;
    }
    return name;
}
}

TImportResult TSchoolCalendarFile::Import(const TImportOptions &options) const
{
    TImportResult result;
    ChooseRange(d->events, options, result);
    const QDate from = result.from;
    const QDate to = result.to;
    QList<TRun> runs;
    for (const TEvent &e : d->events) {
        const QString title = Title(e.summary);
        if (!e.hasStart) {
            result.skipped << TImportNote{{}, Fmt(Msg::ImportSkipNoStart, title)};
            continue;
        }
        const QDate start = DateOf(e.wall);
        if (e.cancelled) {
            result.skipped << TImportNote{start, Fmt(Msg::ImportSkipCancelled, title, Day(start))};
            continue;
        }
        if (!Matches(e, options.only)) {
            result.skipped << TImportNote{start, Fmt(Msg::ImportSkipNotOnly, title, Day(start), options.only)};
            continue;
        }
        if (!e.allDay) {
            const QString time = QStringLiteral("%1:%2").arg(e.wall.hour, 2, 10, QLatin1Char('0'))
                                     .arg(e.wall.minute, 2, 10, QLatin1Char('0'));
            result.skipped << TImportNote{start, Fmt(e.repeats ? Msg::ImportSkipTimedRepeating : Msg::ImportSkipTimed,
                                                     title, Day(start), time)};
            continue;
        }
        const QList<QDate> instances = e.repeats ? d->Instances(e, to) : QList<QDate>{start};
        for (int i = 0; i < instances.size(); ++i) {
            const QDate first = instances.at(i);
            const QDate last = first.addDays(e.days - 1);
            if (last < from || first > to) {
                // A repeating event's instances beyond the range are simply not there.
                if (!e.repeats)
                    result.skipped << TImportNote{first, Fmt(Msg::ImportSkipOutside, title, Day(first), Day(from),
                                                             Day(to))};
                continue;
            }
            const QDate cutFirst = qMax(first, from);
            const QDate cutLast = qMin(last, to);
            if (cutFirst != first || cutLast != last)
                result.shortened << TImportNote{first, Fmt(Msg::ImportDatesCut, title, Day(first), Day(last),
                                                           Day(cutFirst), Day(cutLast))};
            runs << TRun{cutFirst, cutLast, e.order, i, e.summary};
        }
    }
    std::sort(runs.begin(), runs.end(), [](const TRun &a, const TRun &b) {
        return std::tie(a.first, a.order, a.instance) < std::tie(b.first, b.order, b.instance);
    });
    // Overlapping runs become one, named by the first; a chain of overlaps
    // is one run.
    QList<TRun> merged;
    for (const TRun &run : runs) {
        if (!merged.isEmpty() && run.first <= merged.last().last) {
            TRun &into = merged.last();
            result.merged << TImportNote{run.first, Fmt(Msg::ImportMerged, Title(run.summary), Day(run.first),
                                                        Title(into.summary))};
            into.last = qMax(into.last, run.last);
        } else {
            merged << run;
        }
    }
    QSet<QString> told;
    for (const TRun &run : merged) {
        const QString name = RecordName(run.summary, run.first, told, result);
        const int days = int(run.first.daysTo(run.last)) + 1;
        const int pieces = (days + MaxDays - 1) / MaxDays;
        if (pieces > 1)
            result.shortened << TImportNote{run.first, Fmt(Msg::ImportSplit, Title(run.summary), days, pieces)};
        for (int piece = 0; piece < pieces; ++piece) {
            TCalendarRec rec;
            rec.name = name;
            rec.DayNum = int(DayNumToDate(0).daysTo(run.first)) + piece * MaxDays;
            rec.Days = qMin(MaxDays, days - piece * MaxDays);
            rec.DayMode = options.dayMode;
            result.records << rec;
        }
    }
    // Each list reads like a calendar, in the order of the dates concerned.
    for (QList<TImportNote> *notes : {&result.skipped, &result.merged, &result.shortened})
        std::stable_sort(notes->begin(), notes->end(),
                         [](const TImportNote &a, const TImportNote &b) { return a.date < b.date; });
    return result;
}

int DayModeFromText(const QString &text)
{
    for (int mode = 0; mode < 10; ++mode)
        if (text.simplified().compare(QString::fromUtf8(Msg::DayModeNames[mode]), Qt::CaseInsensitive) == 0)
            return mode;
    return -1;
}

int AddImportedCalendar(TCalendarList &library, const QString &name, const QList<TCalendarRec> &records)
{
    try {
        DM().InTransaction([&] {
            library.AddCalendar(name);
            TCalendar *calendar = library.Calendars(library.Count() - 1);
            for (const TCalendarRec &rec : records)
                calendar->SaveRecord(rec, true);
        });
    } catch (...) {
        // The calendar object added stands for a row that was rolled back.
        library.LoadCalendars();
        throw;
    }
    return library.Count() - 1;
}
