#pragma once
#include <QByteArray>
#include <QString>

// value as a fixed-width field of digits hex digits. A value that does not fit
// is refused with an Exception naming item and value: writing it with more
// digits would shift every later field on the controller.
QByteArray HexField(qint64 value, int digits, const QString &item);

// The field of digits hex digits at character pos (from 0) of a received
// payload; 0 when the field is not wholly there or not hexadecimal.
int PayloadField(const QByteArray &payload, int pos, int digits);

// One exchange of a codec: the request, and on success the reply payload.
bool CodecExchange(quint8 cmd, const QByteArray &request, QByteArray &reply);
