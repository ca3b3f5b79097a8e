#pragma once
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// Minutes after midnight as a time of day; whole days are dropped.
QTime MinutesToDateTime(int minutes);
// "hh:mm" + AM/PM text on a 12-hour locale (08:30AM), else "HH:mm" (17:45).
QString MinutesToTimeText(int minutes, const QLocale &locale);

// Day text of a schedule record's day byte: the set weekdays' abbreviations
// joined by "," (Mo,We), a special day mode's name, or empty text.
QString DayText(quint8 recDay);
// Substitute text of a calendar record's day mode; empty above 9.
QString DayModeText(quint8 dayMode);

// Calendar and event dates are day numbers with 1 January 2010 as day 0.
QDate DayNumToDate(int dayNum);
