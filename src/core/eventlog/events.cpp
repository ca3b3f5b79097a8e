#include "eventlog/events.h"

#include "config/messages.h"
#include "store/localetext.h"

#include <cmath>

namespace {
const QDateTime DayZero(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC);

// The first separator in a Qt date or time format, outside quoted text.
QChar Separator(const QString &format, QChar fallback)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return fallback;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

double ToSignificant(double value, int digits)
{
    if (value == 0)
        return 0;
    const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(std::fabs(value))));
    return std::round(value * scale) / scale;
}

QString VoltageText(qint16 raw, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(ToSignificant(raw / RawPerVolt, 3), 'f', 2) + QStringLiteral(" V");
}
}

QDateTime TEvents::DateT() const
{
    return DayZero.addDays(event.day_num).addSecs(qint64(event.minutes_num) * 60);
}

QString TEvents::Date(const QLocale &locale) const
{
    const QDateTime at = DateT();
    const QDate d = at.date();
    const QTime t = at.time();
    const QChar dateSep = Separator(locale.dateFormat(QLocale::ShortFormat), u'/');
    const QChar timeSep = Separator(locale.timeFormat(QLocale::ShortFormat), u':');
    QString text = TwoDigits(d.day()) + dateSep + TwoDigits(d.month()) + dateSep + TwoDigits(d.year() % 100) + u' ';
    if (!Uses12HourClock(locale))
        return text + TwoDigits(t.hour()) + timeSep + TwoDigits(t.minute());
    const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return text + TwoDigits(hour) + timeSep + TwoDigits(t.minute()) + (t.hour() < 12 ? locale.amText() : locale.pmText());
}

QString TEvents::EventName() const
{
    const int type = event.event_type;
    return type >= 1 && type <= 9 ? QString::fromUtf8(Msg::EventNames[type]) : QString();
}

QString TEvents::Voltage1(const QLocale &locale) const
{
    return VoltageText(event.parms[0], locale);
}

QString TEvents::Voltage2(const QLocale &locale) const
{
    return VoltageText(event.parms[1], locale);
}

QString TEvents::Brightness() const
{
    const int b = event.parms[2];
    if (b == 0)
        return QStringLiteral("0");
    // 102400 / b is 1024 / b x 100 with one rounding less; nearbyint rounds halves to even.
    return QString::number(qint64(std::nearbyint(102400.0 / b))) + QStringLiteral(" %");
}

TListItem TEvents::Row(const QLocale &locale) const
{
    return {Date(locale), {EventName(), Voltage1(locale), Voltage2(locale), Brightness()}};
}
