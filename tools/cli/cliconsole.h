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
// writes a temporary file whose content is copied out unaltered.
void WriteOutput(const QString &fileName, const std::function<void(const QString &)> &save);
// The bytes of an input file, or for the name "-" of standard input, read
// whole. A missing file raises "The file %s does not exist.".
QByteArray ReadInput(const QString &fileName);
// The same for a settings file, refused when it is larger than one can be.
QByteArray ReadSettingsInput(const QString &fileName);
// Writes the one JSON document of --json to standard output.
void PrintJson(const QJsonObject &document);
// Writes the document of a failed command to standard output:
// {"error": {"exit": code, "message": text}}. Where a list had already been
// started (TJsonListOut), it is closed and the error added to its document,
// so standard output still holds one document.
void PrintJsonFailure(int code, const QString &text);
// Whether progress is shown: only on a standard error that is a terminal
// able to rewrite a line (TERM set, and not "dumb").
bool ProgressShown();

// Writes the one JSON document {"name": [...]} to standard output an element
// at a time, so a long list is never held whole; the document is closed
// when this ends, or left for PrintJsonFailure when an exception ends it.
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

    const int fExceptions; // those under way when the list began
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

// The progress log: the steps, as the window's progress window shows them,
// on standard error where ProgressShown, and nowhere else, so they never mix
// with what a command prints. Each step has a line of its own; the counting
// name line is rewritten in place.
class TCliLog final : public TProgressLog {
public:
    ~TCliLog() override;
    void Clear() override { Finish(); }
    void Add(const QString &line) override;
    void ReplaceLast(const QString &line) override;
    bool Closed() const override { return false; }

private:
    void Finish();
};
