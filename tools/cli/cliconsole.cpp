#include "cliconsole.h"

#include <cstdio>
#include <unistd.h>

namespace {
void Write(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
}

void PrintOut(const QString &text)
{
    Write(stdout, text + u'\n');
}

bool TCliMessages::Show(Kind kind, const QString &text)
{
    if (kind == Kind::Information)
        PrintOut(text);
    else
        Write(stderr, text + u'\n');
    return !IsQuestion(kind);
}

TCliLog::TCliLog() : fTerminal(::isatty(STDOUT_FILENO) == 1) {}

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
        Write(stdout, QStringLiteral("\r\033[K") + fHeld);
}

void TCliLog::Finish()
{
    if (fHeld.isEmpty())
        return;
    Write(stdout, fTerminal ? QStringLiteral("\n") : fHeld + u'\n');
    fHeld.clear();
}
