#include "cliconsole.h"

#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

namespace {
// Standard output, until it is kept for one JSON document.
FILE *gOut = stdout;

void Write(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
}

void PrintOut(const QString &text)
{
    Write(gOut, text + u'\n');
}

void KeepStdoutForJson()
{
    gOut = stderr;
}

void PrintJson(const QJsonObject &document)
{
    Write(stdout, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
}

bool TCliMessages::Show(Kind kind, const QString &text)
{
    if (kind == Kind::Information)
        PrintOut(text);
    else
        Write(stderr, text + u'\n');
    return !IsQuestion(kind);
}

TCliLog::TCliLog() : fTerminal(::isatty(::fileno(gOut)) == 1) {}

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
        Write(gOut, QStringLiteral("\r\033[K") + fHeld);
}

void TCliLog::Finish()
{
    if (fHeld.isEmpty())
        return;
    Write(gOut, fTerminal ? QStringLiteral("\n") : fHeld + u'\n');
    fHeld.clear();
}
