#pragma once
#include "config/messageservice.h"
#include "transfer/workflows.h"

#include <QJsonObject>
#include <QString>
#include <functional>

// Text from a controller, a port or the register as a terminal line may show
// it: control characters (ESC, CR, LF, ...) and the backslash escaped as
// "\x1b", "\\", so nothing breaks a table or drives the terminal.
QString Printable(const QString &text);
// Writes text and a line end to standard output: the information and progress
// of the command, unless standard output carries its data.
void PrintOut(const QString &text);
// From now on, information and progress go to standard error, since standard
// output carries the command's data.
void KeepStdoutForData();
// Writes a file through save, or for the name "-" standard output: save then
// writes a temporary file whose content is copied out.
void WriteOutput(const QString &fileName, const std::function<void(const QString &)> &save);
// Writes the one JSON document of --json to standard output.
void PrintJson(const QJsonObject &document);

// Writes the one JSON document {"name": [...]} to standard output an element
// at a time, so a long list is never held whole; the document is closed
// when this ends.
class TJsonListOut {
public:
    explicit TJsonListOut(const char *name);
    ~TJsonListOut();
    TJsonListOut(const TJsonListOut &) = delete;
    TJsonListOut &operator=(const TJsonListOut &) = delete;
    // element: one compact JSON value
    void Add(const QByteArray &element);

private:
    void Flush();

    bool fFirst = true;
    QByteArray fBuffer; // written out when it grows past a block
};

// Messages of the command-line tool: information on standard output, errors
// and warnings on standard error; questions are answered No and choosers
// cancelled, since nobody is there to answer them.
class TCliMessages final : public TMessageService {
public:
    bool Show(Kind kind, const QString &text) override;
    std::optional<QString> PromptText(const QString &, const QString &, const QString &) override { return {}; }
    QString OpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString SaveFileName(const QString &, const QString &, const QString &, const QString &) override { return {}; }
};

// The progress log, where PrintOut writes. A line is held until the next one
// starts, so the counting name line ends up as one line, as in the window;
// on a terminal the held line is shown at once and rewritten in place.
class TCliLog final : public TProgressLog {
public:
    TCliLog();
    ~TCliLog() override;
    void Clear() override { Finish(); }
    void Add(const QString &line) override;
    void ReplaceLast(const QString &line) override;
    bool Closed() const override { return false; }

private:
    void Finish();

    const bool fTerminal;
    QString fHeld;
};
