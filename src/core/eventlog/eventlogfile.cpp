#include "eventlog/eventlogfile.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
constexpr int FieldCount = 5;

// A quote inside is doubled, as the reader takes it: a text loaded from a file
// may hold one, and must save as it loaded.
QString Quoted(QString text)
{
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= u' ';
}

QString FileText(const QByteArray &bytes)
{
    // A byte-order mark names the encoding; without one the file is 8-bit.
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding); // drops the mark
        return decoder(bytes);
    }
    return Cp1252::toUnicode(bytes);
}
}

bool SaveEventLogFile(const QString &fileName, const QList<TListItem> &rows)
{
    if (rows.isEmpty())
        return false;
    TEventLogWriter file(fileName);
    for (const TListItem &row : rows)
        file.Add(row);
    file.Commit();
    return true;
}

TEventLogWriter::TEventLogWriter(const QString &fileName) : fFile(fileName)
{
    fFile.open(QIODevice::WriteOnly); // a failure shows in Commit
}

void TEventLogWriter::Add(const TListItem &row)
{
    QString text = Quoted(row.Caption);
    for (int i = 0; i < FieldCount - 1; ++i)
        text += u',' + Quoted(row.SubItems.value(i));
    text += QStringLiteral(";\r\n");
    const QByteArray bytes = Cp1252::fromUnicode(text);
    if (fFile.isOpen() && fFile.write(bytes) != bytes.size())
        fFile.cancelWriting();
    ++fCount;
}

void TEventLogWriter::Commit()
{
    // The explicit flush notices a write the disk cut short before the file is put in place.
    if (!fFile.isOpen() || !fFile.flush() || !fFile.commit())
        throw Exception(Fmt(Msg::UnableToWrite, fFile.fileName()));
}

void LoadEventLogFile(const QString &fileName, QList<TListItem> &rows)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    ReadEventLogText(bytes, fileName, rows);
}

void ReadEventLogText(const QByteArray &bytes, const QString &fileName, QList<TListItem> &rows)
{
    QString text = FileText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line starts no line

    rows.clear();
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList fields = SplitCommaText(lines.at(i));
        if (fields.size() < FieldCount)
            throw Exception(Fmt(Msg::EventLogLineInvalid, i + 1, fileName));
        rows.append({fields.at(0), fields.mid(1, FieldCount - 1)});
    }
}

QStringList SplitCommaText(const QString &line)
{
    QStringList fields;
    const qsizetype nul = line.indexOf(QChar(0));
    const qsizetype end = nul < 0 ? line.size() : nul; // a zero character ends the text
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < end && IsBlank(line.at(p)))
            ++p;
    };
    skipBlanks();
    while (p < end) {
        QString field;
        if (line.at(p) == u'"') {
            for (++p; p < end; ++p) {
                if (line.at(p) != u'"') {
                    field += line.at(p);
                } else if (p + 1 < end && line.at(p + 1) == u'"') {
                    field += u'"'; // a doubled quote stands for one
                    ++p;
                } else {
                    ++p; // the closing quote
                    break;
                }
            }
        } else {
            const qsizetype start = p;
            while (p < end && line.at(p) > u' ' && line.at(p) != u',')
                ++p;
            field = line.mid(start, p - start);
        }
        fields << field;
        skipBlanks();
        if (p < end && line.at(p) == u',') {
            if (p + 1 == end)
                fields << QString(); // a comma at the very end adds one empty field
            ++p;
            skipBlanks();
        }
    }
    return fields;
}
