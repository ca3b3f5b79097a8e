#include "cliconsole.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {
FILE *information = stdout;

void Write(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
}

QString Printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            shown += QStringLiteral("\\\\");
        else if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void PrintOut(const QString &text)
{
    Write(information, text + u'\n');
}

void KeepStdoutForData()
{
    information = stderr;
}

void WriteOutput(const QString &fileName, const std::function<void(const QString &)> &save)
{
    if (fileName != QLatin1String("-")) {
        save(fileName);
        return;
    }
    const QTemporaryDir folder;
    const QString temporary = folder.filePath(QStringLiteral("out"));
    if (!folder.isValid())
        throw Exception(Fmt(Msg::UnableToWrite, temporary));
    save(temporary);
    QFile file(temporary);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(Fmt(Msg::UnableToRead, temporary));
    // A block at a time: a long file is never held whole.
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 16);
        if (block.isEmpty() && file.error() != QFileDevice::NoError)
            throw Exception(Fmt(Msg::UnableToRead, temporary));
        if (std::fwrite(block.constData(), 1, size_t(block.size()), stdout) != size_t(block.size()))
            throw Exception(Fmt(Msg::UnableToWrite, QStringLiteral("-")));
    }
    if (std::fflush(stdout) != 0)
        throw Exception(Fmt(Msg::UnableToWrite, QStringLiteral("-")));
}

void PrintJson(const QJsonObject &document)
{
    Write(stdout, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
}

TJsonListOut::TJsonListOut(const char *name)
{
    fBuffer = "{\n    \"" + QByteArray(name) + "\": [";
}

TJsonListOut::~TJsonListOut()
{
    fBuffer += fFirst ? "]\n}\n" : "\n    ]\n}\n";
    Flush();
}

void TJsonListOut::Add(const QByteArray &element)
{
    fBuffer += fFirst ? "\n        " : ",\n        ";
    fBuffer += element;
    fFirst = false;
    if (fBuffer.size() > (1 << 16))
        Flush();
}

void TJsonListOut::Flush()
{
    std::fwrite(fBuffer.constData(), 1, size_t(fBuffer.size()), stdout);
    std::fflush(stdout);
    fBuffer.resize(0); // keeps its room for the next block
}

bool TCliMessages::Show(Kind kind, const QString &text)
{
    if (kind == Kind::Information)
        PrintOut(text);
    else
        Write(stderr, text + u'\n');
    return !IsQuestion(kind);
}

TCliLog::TCliLog() : fTerminal(::isatty(fileno(information)) == 1) {}

TCliLog::~TCliLog()
{
    Finish();
}

void TCliLog::Add(const QString &line)
{
    Finish();
    ReplaceLast(line);
}

void TCliLog::ReplaceLast(const QString &line)
{
    fHeld = line;
    if (fTerminal)
        Write(information, QStringLiteral("\r\033[K") + fHeld);
}

void TCliLog::Finish()
{
    if (fHeld.isEmpty())
        return;
    Write(information, fTerminal ? QStringLiteral("\n") : fHeld + u'\n');
    fHeld.clear();
}
