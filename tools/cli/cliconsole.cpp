#include "cliconsole.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "store/inifile.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {
FILE *information = stdout;
bool progressOpen = false; // a progress line on standard error awaits its line end
bool listOpen = false;     // a TJsonListOut ended by an exception left its document open

void Write(FILE *stream, const QString &text)
{
    if (progressOpen) { // the message starts a line of its own
        std::fputs("\n", stderr);
        progressOpen = false;
    }
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

namespace {
// limit: the most bytes taken, or -1.
QByteArray ReadWhole(const QString &fileName, qint64 limit)
{
    QFile file(fileName);
    const bool standardInput = fileName == QLatin1String("-");
    if (!standardInput && !file.exists())
        throw Exception(Fmt(Msg::CliFileMissing, fileName));
    if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly)))
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    // One byte past the limit: a pipe or a device has no size to trust.
    const QByteArray bytes = limit < 0 ? file.readAll() : file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    if (limit >= 0 && bytes.size() > limit)
        throw Exception(Fmt(Msg::SettingsFileTooLarge, fileName, limit));
    return bytes;
}
}

QByteArray ReadInput(const QString &fileName)
{
    return ReadWhole(fileName, -1);
}

QByteArray ReadSettingsInput(const QString &fileName)
{
    return ReadWhole(fileName, TIniFile::MaxFileBytes);
}

void PrintJson(const QJsonObject &document)
{
    Write(stdout, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
}

void PrintJsonFailure(int code, const QString &text)
{
    const QJsonObject error{{"exit", code}, {"message", text}};
    QByteArray document = QJsonDocument(QJsonObject{{"error", error}}).toJson(QJsonDocument::Indented);
    if (listOpen) // the list's document takes the error as its second member
        document.replace(0, 2, ",\n");
    std::fwrite(document.constData(), 1, size_t(document.size()), stdout);
    std::fflush(stdout);
    listOpen = false;
}

bool ProgressShown()
{
    static const bool shown = [] {
        const QByteArray term = qgetenv("TERM");
        return ::isatty(STDERR_FILENO) == 1 && !term.isEmpty() && term != "dumb";
    }();
    return shown;
}

TJsonListOut::TJsonListOut(const char *name) : fExceptions(std::uncaught_exceptions())
{
    fBuffer = "{\n    \"" + QByteArray(name) + "\": [";
}

TJsonListOut::~TJsonListOut()
{
    fBuffer += fFirst ? "]" : "\n    ]";
    listOpen = std::uncaught_exceptions() > fExceptions;
    if (!listOpen)
        fBuffer += "\n}\n";
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
    if (!ProgressShown())
        return;
    progressOpen = false; // rewritten, not ended
    Write(stderr, QStringLiteral("\r\033[K") + line);
    progressOpen = true;
}

void TCliLog::Finish()
{
    if (progressOpen)
        Write(stderr, {}); // ends the line
}
