#include "store/localetext.h"

#include <QList>
#include <QStringList>

namespace {
// Calls visit(i, quoted) for each character of a Qt date/time format, telling
// whether it lies inside a '...' literal.
template <typename F>
void forEachFormatChar(const QString &format, F visit)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == u'\'')
            quoted = !quoted;
        visit(i, quoted);
    }
}

// Digit groups of a text, in order, as numbers with their digit counts.
struct Number {
    int value;
    int digits;
};

QList<Number> numbersIn(const QString &text, QString *rest)
{
    QList<Number> numbers;
    bool inNumber = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            if (!inNumber)
                numbers.append({0, 0});
            inNumber = true;
            Number &n = numbers.last();
            if (n.digits < 9)
                n.value = n.value * 10 + c.digitValue();
            ++n.digits;
        } else {
            inNumber = false;
            if (rest)
                rest->append(c);
        }
    }
    return numbers;
}

int fullYear(const Number &year)
{
    if (year.digits > 2)
        return year.value;
    return year.value < 50 ? 2000 + year.value : 1900 + year.value;
}

// Order of day, month and year in a format, as a string such as "MDY".
QString fieldOrder(const QString &format)
{
    QString order;
    forEachFormatChar(format, [&](qsizetype i, bool quoted) {
        const QChar c = format.at(i);
        const QChar field = c == u'd' ? u'D' : c == u'M' ? u'M' : c == u'y' ? u'Y' : QChar();
        if (!quoted && !field.isNull() && !order.contains(field))
            order.append(field);
    });
    return order;
}

QDate dateInOrder(const QList<Number> &n, const QString &order)
{
    int y = 0, m = 0, d = 0;
    for (int i = 0; i < 3; ++i) {
        if (order.at(i) == u'Y')
            y = fullYear(n.at(i));
        else if (order.at(i) == u'M')
            m = n.at(i).value;
        else
            d = n.at(i).value;
    }
    return QDate(y, m, d);
}

QString textWithSpaces(QString format)
{
    // Newer locale data puts narrow no-break spaces before AM/PM; files have
    // always held plain blanks there.
    return format.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ');
}

// An AM/PM marker without blanks, colons and dots ("a.m." and "ap." alike).
QString bareMarker(QString text)
{
    return text.remove(u':').remove(u'.').simplified().remove(u' ');
}

bool sameMarker(const QString &bare, const QString &marker)
{
    const QString other = bareMarker(marker);
    return !other.isEmpty() && bare.compare(other, Qt::CaseInsensitive) == 0;
}
}

bool Uses12HourClock(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    bool ampm = false;
    forEachFormatChar(format, [&](qsizetype i, bool quoted) {
        if (!quoted && (format.at(i) == u'a' || format.at(i) == u'A'))
            ampm = true;
    });
    return ampm;
}

QString ShortDateFormat(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    forEachFormatChar(format, [&](qsizetype i, bool quoted) {
        const QChar c = format.at(i);
        out.append(c);
        // A run of exactly two unquoted 'y' becomes four.
        if (!quoted && c == u'y' && i > 0 && format.at(i - 1) == u'y' && (i < 2 || format.at(i - 2) != u'y')
            && (i + 1 >= format.size() || format.at(i + 1) != u'y'))
            out.append(QStringLiteral("yy"));
    });
    return textWithSpaces(out);
}

QString LongTimeFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    forEachFormatChar(format, [&](qsizetype i, bool quoted) {
        if (quoted || format.at(i) != u't')
            out.append(format.at(i));
    });
    return textWithSpaces(out).simplified();
}

QString DateToText(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, ShortDateFormat(locale));
}

QString TimeToText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, LongTimeFormat(locale));
}

QDate TextToDate(const QString &text, const QLocale &locale)
{
    const QString trimmed = textWithSpaces(text).trimmed();
    if (trimmed.isEmpty())
        return QDate();
    const QString format = ShortDateFormat(locale);
    QDate date = locale.toDate(trimmed, format);
    if (date.isValid())
        return date;

    // Three numbers between date separators; a clock time or words are no date.
    QString separators;
    const QList<Number> n = numbersIn(trimmed, &separators);
    if (n.size() != 3)
        return QDate();
    for (const QChar c : std::as_const(separators))
        if (!QStringLiteral("/.- ").contains(c))
            return QDate();
    QStringList orders;
    const QString own = fieldOrder(format);
    if (own.size() == 3)
        orders << own;
    // The other orders only where the year stands where they expect it: a
    // leading year has more than two digits (ISO 8601), so "31/03/24" is never
    // taken for 2031.
    if (n.at(0).digits > 2)
        orders << QStringLiteral("YMD");
    orders << QStringLiteral("MDY") << QStringLiteral("DMY");
    for (const QString &order : std::as_const(orders)) {
        date = dateInOrder(n, order);
        if (date.isValid())
            return date;
    }
    return QDate();
}

QTime TextToTime(const QString &text, const QLocale &locale)
{
    const QString trimmed = textWithSpaces(text).trimmed();
    if (trimmed.isEmpty())
        return QTime();
    for (const QString &format : {LongTimeFormat(locale), textWithSpaces(locale.timeFormat(QLocale::ShortFormat))}) {
        const QTime time = locale.toTime(trimmed, format);
        if (time.isValid())
            return time;
    }

    // Hours, minutes and maybe seconds on either clock, with any separators.
    QString rest;
    const QList<Number> n = numbersIn(trimmed, &rest);
    if (n.size() < 2 || n.size() > 3 || n.at(0).digits > 2 || n.at(1).digits != 2)
        return QTime();
    rest = bareMarker(rest);
    int hour = n.at(0).value;
    const int minute = n.at(1).value;
    const int second = n.size() == 3 ? n.at(2).value : 0;
    const bool am = sameMarker(rest, locale.amText()) || sameMarker(rest, QStringLiteral("AM"));
    const bool pm = !am && (sameMarker(rest, locale.pmText()) || sameMarker(rest, QStringLiteral("PM")));
    if (am || pm) {
        if (hour < 1 || hour > 12)
            return QTime();
        hour = hour % 12 + (pm ? 12 : 0);
    } else if (!rest.isEmpty()) {
        return QTime(); // an unknown marker: guessing the clock could be twelve hours off
    }
    return QTime::isValid(hour, minute, second, 0) ? QTime(hour, minute, second) : QTime();
}
