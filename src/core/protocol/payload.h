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

// The payload bytes the reply to a request must carry, from the command table:
// AnyReplyPayload for a write, whose reply is accepted by its command code alone.
int ReplyPayloadBytes(quint8 cmd, const QByteArray &request);

// What the reply to a request must begin with where it names what it answers
// (a calendar name read names its record); empty where replies name nothing.
QByteArray ReplyNames(quint8 cmd, const QByteArray &request);

// One exchange of a codec: the request, and on success the reply payload. A
// reply whose payload is not what the command's reply must carry is a failed
// attempt, so every field of a read reply is there and hexadecimal.
bool CodecExchange(quint8 cmd, const QByteArray &request, QByteArray &reply);
