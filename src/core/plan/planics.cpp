#include "plan/planics.h"

#include <libical/ical.h>

#include <memory>

namespace {
struct TComponentFree {
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};

icaltimetype LocalTime(const QDate &date, const QTime &time)
{
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    t.hour = time.hour();
    t.minute = time.minute();
    return t; // no zone: floating time
}
}

QByteArray PlanIcsText(const TPlan &plan, const QList<TCalendarRec> &calendar, const QString &name,
                       const QDateTime &stamp)
{
    std::unique_ptr<icalcomponent, TComponentFree> root(icalcomponent_new_vcalendar());
    icalcomponent_add_property(root.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(root.get(), icalproperty_new_prodid("-//Pavoline Beacon Control//Flashing plan//EN"));
    icalcomponent_add_property(root.get(), icalproperty_new_method(ICAL_METHOD_PUBLISH));
    icalproperty *title = icalproperty_new_x(name.toUtf8().constData());
    icalproperty_set_x_name(title, "X-WR-CALNAME");
    icalcomponent_add_property(root.get(), title);

    const QDateTime utc = stamp.toUTC();
    icaltimetype made = LocalTime(utc.date(), utc.time());
    made.second = utc.time().second();
    made.zone = icaltimezone_get_utc_timezone();

    for (const TPlanDay &day : plan.days) {
        QString summary = QStringLiteral("Beacon flashing");
        if (day.follows != day.weekday)
            summary += QStringLiteral(" (%1)").arg(day.follows);
        QString description = QStringLiteral("Follows ") + day.follows;
        if (day.record >= 0 && day.record < calendar.size())
            description += QStringLiteral(": calendar record %1 \"%2\"")
                               .arg(day.record + 1)
                               .arg(calendar.at(day.record).name);
        description += u'.';
        for (const TPlanInterval &interval : day.on) {
            icalcomponent *event = icalcomponent_new_vevent();
            const QString uid = QStringLiteral("%1T%2-%3-%4@beacon-plan")
                                    .arg(day.date.toString(QStringLiteral("yyyyMMdd")),
                                         interval.on.toString(QStringLiteral("HHmm")),
                                         interval.off.toString(QStringLiteral("HHmm")),
                                         QString::fromLatin1(name.toUtf8().toHex()));
            icalcomponent_add_property(event, icalproperty_new_uid(uid.toUtf8().constData()));
            icalcomponent_add_property(event, icalproperty_new_dtstamp(made));
            icalcomponent_add_property(event, icalproperty_new_dtstart(LocalTime(day.date, interval.on)));
            icalcomponent_add_property(event, icalproperty_new_dtend(LocalTime(day.date, interval.off)));
            icalcomponent_add_property(event, icalproperty_new_summary(summary.toUtf8().constData()));
            icalcomponent_add_property(event, icalproperty_new_description(description.toUtf8().constData()));
            icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
            icalcomponent_add_component(root.get(), event);
        }
    }
    char *text = icalcomponent_as_ical_string_r(root.get());
    const QByteArray out(text);
    icalmemory_free_buffer(text);
    return out;
}
