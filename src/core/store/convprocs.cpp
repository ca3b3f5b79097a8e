#include "store/convprocs.h"

#include "config/messages.h"
#include "store/localetext.h"

QTime MinutesToDateTime(int minutes)
{
    const int inDay = ((minutes % 1440) + 1440) % 1440;
    return QTime(inDay / 60, inDay % 60);
}

QString MinutesToTimeText(int minutes, const QLocale &locale)
{
    const QTime t = MinutesToDateTime(minutes);
    const QString mm = QStringLiteral("%1").arg(t.minute(), 2, 10, QLatin1Char('0'));
    if (!Uses12HourClock(locale))
        return QStringLiteral("%1:%2").arg(t.hour(), 2, 10, QLatin1Char('0')).arg(mm);
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString ampm = t.hour() < 12 ? locale.amText() : locale.pmText();
    return QStringLiteral("%1:%2%3").arg(hour12, 2, 10, QLatin1Char('0')).arg(mm, ampm);
}

QString DayText(quint8 recDay)
{
    switch (recDay) {
    case 0x81:
        return QString::fromUtf8(Msg::DayModeNames[7]);
    case 0x82:
        return QString::fromUtf8(Msg::DayModeNames[8]);
    case 0x84:
        return QString::fromUtf8(Msg::DayModeNames[9]);
    }
    if (recDay & 0x80)
        return QString();
    QStringList days;
    for (int bit = 0; bit < 7; ++bit)
        if (recDay & (1 << bit))
            days << QString::fromUtf8(Msg::DayAbbreviations[bit]);
    return days.join(u',');
}

QString DayModeText(quint8 dayMode)
{
    return dayMode <= 9 ? QString::fromUtf8(Msg::DayModeNames[dayMode]) : QString();
}

QDate DayNumToDate(int dayNum)
{
    return QDate(2010, 1, 1).addDays(dayNum);
}
