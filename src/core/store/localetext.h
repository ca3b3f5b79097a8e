#pragma once
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The operator's date and time formats, taken from a locale (the system's in
// the program, a chosen one in tests).

// True when the locale's short time format shows AM/PM.
bool Uses12HourClock(const QLocale &locale);
// The short date format with a four-digit year: a two-digit year would read
// back in the wrong century.
QString ShortDateFormat(const QLocale &locale);
// The long time format without its time-zone part.
QString LongTimeFormat(const QLocale &locale);

QString DateToText(const QDate &date, const QLocale &locale);
QString TimeToText(const QTime &time, const QLocale &locale);

// Tolerant reading, so a file written under another locale keeps its values:
// the operator's formats first, then ISO 8601, then the other usual orders
// (day, month and year; 12- and 24-hour clocks). Invalid when nothing fits.
QDate TextToDate(const QString &text, const QLocale &locale);
QTime TextToTime(const QString &text, const QLocale &locale);
