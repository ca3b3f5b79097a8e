#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Windows-1252, the 8-bit code page of the library database, settings files and
// event-log files written by existing installations. Qt 6.4 has no built-in codec
// for it, and ICU is not guaranteed, so the whole program converts through here.
namespace Cp1252 {
QString toUnicode(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray fromUnicode(const QString &text);

// Names (library entries, calendar records) are stored and sent in the code
// page, so a name keeps only characters it holds, and no control characters,
// which no name field shows. Typed text is taken in its composed form first,
// so an accent pasted as a separate mark still fits.
QString NameText(const QString &typed);
// The operator's message naming the characters of typed that a name cannot
// keep; empty when it can keep them all.
QString NameRefusal(const QString &typed);
}
