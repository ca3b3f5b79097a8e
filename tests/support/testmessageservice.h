#pragma once
#include "config/messageservice.h"

#include <QList>
#include <functional>
#include <QQueue>
#include <QStringList>

// A message service for tests: records every message and answers questions,
// prompts and file choosers from scripted queues, so no test blocks on a box.
// Installed while it lives.
class TTestMessageService final : public TMessageService {
public:
    struct Entry {
        Kind kind;
        QString text;
    };

    TTestMessageService() { Install(this); }
    ~TTestMessageService() override { Install(nullptr); }

    bool Show(Kind kind, const QString &text) override;
    std::optional<QString> PromptText(const QString &title, const QString &prompt, const QString &initial) override;
    QString OpenFileName(const QString &title, const QString &filter, const QString &defaultExt) override;
    QString SaveFileName(const QString &title, const QString &filter, const QString &defaultExt,
                         const QString &initialName) override;
    void Notice(const QString &text, QObject *about) override;

    // Texts of the recorded messages, optionally of one kind only.
    QStringList Texts() const;
    QStringList Texts(Kind kind) const;
    void Clear()
    {
        entries.clear();
        notices.clear();
        noticeSubjects.clear();
    }

    QList<Entry> entries;
    QQueue<bool> confirmAnswers;                // answers to questions; empty: answer defaultConfirm
    bool defaultConfirm = false;
    QQueue<std::optional<QString>> promptAnswers; // empty: cancel
    QQueue<QString> fileAnswers;                  // empty: cancel
    QStringList prompts;                          // each prompt's text, in order
    QStringList promptInitials;                   // what each prompt showed in its field
    QStringList notices;                          // each notice's text, in order
    QList<QObject *> noticeSubjects;              // what each notice was about
    // Called while a message is "on screen", e.g. to check what a tick does
    // inside a modal box.
    std::function<void(const Entry &)> onShow;
};
