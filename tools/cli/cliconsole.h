#pragma once
#include "config/messageservice.h"
#include "transfer/workflows.h"

#include <QJsonObject>
#include <QString>

// Writes text and a line end to standard output.
void PrintOut(const QString &text);
// From now on standard output holds only the JSON document: the progress
// lines and information that would go there go to standard error.
void KeepStdoutForJson();
// Writes the one JSON document to standard output.
void PrintJson(const QJsonObject &document);

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

// The progress log on standard output. A line is held until the next one
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
