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
}
