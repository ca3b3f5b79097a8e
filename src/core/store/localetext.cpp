#include "store/localetext.h"

#include "config/cp1252.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
// No locale writes a date or a time this long; longer text is not read.
constexpr int LongestStamp = 64;

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

QList<Number> numbersIn(const QString &text, QString *rest = nullptr)
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

// Three numbers as a date in the given order; a year has two or four digits
// (two meaning 1950 to 2049), a day or month one or two.
QDate dateInOrder(const QList<Number> &n, const QString &order)
{
    if (n.size() != 3 || order.size() != 3)
        return QDate();
    int y = 0, m = 0, d = 0;
    for (int i = 0; i < 3; ++i) {
        const Number &field = n.at(i);
        if (order.at(i) == u'Y') {
            if (field.digits != 2 && field.digits != 4)
                return QDate();
            y = field.digits == 4 ? field.value : field.value < 50 ? 2000 + field.value : 1900 + field.value;
        } else if (field.digits > 2) {
            return QDate();
        } else if (order.at(i) == u'M') {
            m = field.value;
        } else {
            d = field.value;
        }
    }
    return QDate(y, m, d);
}

QString textWithSpaces(QString format)
{
    // Newer locale data puts narrow no-break spaces before AM/PM; files have
    // always held plain blanks there.
    return format.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ');
}

// A text as a settings file holds it: plain blanks, and '?' for what the
// 8-bit code page lacks (Japanese time words, Arabic-Indic digits, marks).
QString asFileHolds(const QString &text)
{
    return Cp1252::toUnicode(Cp1252::fromUnicode(textWithSpaces(text))).trimmed();
}

template <typename T>
void addOnce(QList<T> &list, const T &value)
{
    if (value.isValid() && !list.contains(value))
        list.append(value);
}

// The candidates that the writer turns into exactly this text.
template <typename T, typename Write>
QList<T> writtenAs(const QString &held, const QList<T> &candidates, Write write)
{
    QList<T> found;
    for (const T &candidate : candidates)
        if (asFileHolds(write(candidate)) == held)
            addOnce(found, candidate);
    return found;
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

// Hours, minutes and maybe seconds on either clock, with any separators and
// a known AM/PM marker or none; invalid for anything else.
QTime clockTime(const QString &text, const QLocale &locale)
{
    QString rest;
    const QList<Number> n = numbersIn(text, &rest);
    if (n.size() < 2 || n.size() > 3 || n.at(0).digits > 2 || n.at(1).digits != 2
        || (n.size() == 3 && n.at(2).digits != 2))
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

QString DateInWords(const QDate &date, bool withYear)
{
    return QLocale::c().toString(date, withYear ? QStringLiteral("d MMMM yyyy") : QStringLiteral("d MMMM"));
}

QList<QDate> DateReadings(const QString &text, const QLocale &locale, bool everyStep)
{
    if (text.size() > LongestStamp)
        return {};
    const QString held = asFileHolds(text);
    if (held.isEmpty())
        return {};
    const QLocale c = QLocale::c();
    const QString format = ShortDateFormat(locale);
    const QList<Number> n = numbersIn(text);

    // Steps 1 and 2: the very text a locale writes.
    QList<QDate> candidates;
    for (const char *order : {"YMD", "MDY", "DMY"})
        addOnce(candidates, dateInOrder(n, QLatin1String(order)));
    addOnce(candidates, locale.toDate(held, format));
    addOnce(candidates, c.toDate(held, ShortDateFormat(c)));
    QList<QDate> readings;
    for (const QLocale &writer : {locale, c}) {
        for (const QDate &date :
             writtenAs(held, candidates, [&writer](const QDate &date) { return DateToText(date, writer); }))
            addOnce(readings, date);
        if (!readings.isEmpty() && !everyStep)
            return readings;
    }

    // Step 3.
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = iso.match(held);
    if (match.hasMatch()) {
        addOnce(readings, QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()));
        if (!everyStep)
            return readings;
    }

    // Step 4: three numbers between date separators in any usual order; a
    // leading year must have four digits, so "31/03/24" is never 2031.
    QString separators;
    numbersIn(held, &separators);
    bool numeric = n.size() == 3;
    for (const QChar ch : std::as_const(separators))
        numeric = numeric && QStringLiteral("/.- ").contains(ch);
    if (numeric) {
        QStringList orders{fieldOrder(format)};
        if (n.at(0).digits == 4)
            orders << QStringLiteral("YMD");
        orders << QStringLiteral("MDY") << QStringLiteral("DMY");
        for (const QString &order : std::as_const(orders))
            addOnce(readings, dateInOrder(n, order));
    }
    addOnce(readings, locale.toDate(held, format));
    addOnce(readings, c.toDate(held, ShortDateFormat(c)));
    return readings;
}

QList<QTime> TimeReadings(const QString &text, const QLocale &locale, bool everyStep)
{
    if (text.size() > LongestStamp)
        return {};
    const QString held = asFileHolds(text);
    if (held.isEmpty())
        return {};

    // Steps 1 and 2: hours on either clock, so a lost AM/PM marker shows up
    // as two readings rather than a guess.
    QList<QTime> candidates;
    const QList<Number> n = numbersIn(text);
    bool small = n.size() >= 2 && n.size() <= 3;
    for (const Number &field : n)
        small = small && field.digits <= 2;
    if (small) {
        const int h = n.at(0).value;
        const int m = n.at(1).value;
        const int s = n.size() == 3 ? n.at(2).value : 0;
        for (int hour : {h, h % 12, h % 12 + 12})
            if (hour == h || (h >= 1 && h <= 12))
                addOnce(candidates, QTime(hour, m, s));
    }
    QList<QTime> readings;
    for (const QLocale &writer : {locale, QLocale::c()}) {
        for (const QTime &time :
             writtenAs(held, candidates, [&writer](const QTime &time) { return TimeToText(time, writer); }))
            addOnce(readings, time);
        if (!readings.isEmpty() && !everyStep)
            return readings;
    }

    // Step 3.
    static const QRegularExpression iso(QStringLiteral("^(\\d{2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch match = iso.match(held);
    if (match.hasMatch()) {
        addOnce(readings, QTime(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()));
        if (!everyStep)
            return readings;
    }

    // Step 4.
    for (const QString &format : {LongTimeFormat(locale), textWithSpaces(locale.timeFormat(QLocale::ShortFormat))})
        addOnce(readings, locale.toTime(held, format));
    addOnce(readings, clockTime(held, locale));
    return readings;
}

QDate TextToDate(const QString &text, const QLocale &locale)
{
    const QList<QDate> readings = DateReadings(text, locale);
    return readings.size() == 1 ? readings.first() : QDate();
}

QTime TextToTime(const QString &text, const QLocale &locale)
{
    const QList<QTime> readings = TimeReadings(text, locale);
    return readings.size() == 1 ? readings.first() : QTime();
}
