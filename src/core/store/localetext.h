#pragma once
#include <QDate>
#include <QList>
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

// A date as messages say it, in words: "8 March 2026" ("8 March" without the year).
QString DateInWords(const QDate &date, bool withYear = true);

// Every date a text written by some computer can stand for, trying in turn
// until a step gives an answer:
//   1. the locale's own short date form, exactly as it writes it;
//   2. the C locale's form, as a program run without a locale writes it;
//   3. ISO 8601;
//   4. the usual orders of day, month and year (the locale's own first).
// Texts are compared as a settings file holds them, in the 8-bit code page,
// so a form whose characters the code page lacks still matches itself.
// Empty when nothing fits; more than one date when the text is ambiguous
// (steps 1 and 4 give the locale's own reading first). With everyStep, the
// readings of all four steps together: every date the text might mean.
QList<QDate> DateReadings(const QString &text, const QLocale &locale, bool everyStep = false);
// The same for a time of day: the locale's long form, the C locale's and
// ISO 8601's, then either clock with or without seconds.
QList<QTime> TimeReadings(const QString &text, const QLocale &locale, bool everyStep = false);

// The one reading of a text; invalid when there is none or more than one.
QDate TextToDate(const QString &text, const QLocale &locale);
QTime TextToTime(const QString &text, const QLocale &locale);
