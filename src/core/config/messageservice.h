#pragma once
#include <QString>
#include <optional>

class QObject;

// Every operator message and simple question goes through the one installed
// service: the window installs dialog boxes, the command-line tool prints, and
// tests install a double that records each message and answers from a script.
class TMessageService {
public:
    // InformationQuestion asks Yes or No in an information box: an offer
    // rather than a warning.
    enum class Kind { Error, Warning, Information, Confirmation, InformationQuestion };
    static bool IsQuestion(Kind kind) { return kind == Kind::Confirmation || kind == Kind::InformationQuestion; }

    virtual ~TMessageService() = default;

    // Shows a box of the given kind; true for OK, or Yes on a question.
    virtual bool Show(Kind kind, const QString &text) = 0;
    // The one-line name prompt; no value when the operator cancels.
    virtual std::optional<QString> PromptText(const QString &title, const QString &prompt, const QString &initial) = 0;
    // File choosers; an empty result when the operator cancels.
    // filter uses the "Description (*.ext)|*.ext|..." form of the message table.
    virtual QString OpenFileName(const QString &title, const QString &filter, const QString &defaultExt) = 0;
    virtual QString SaveFileName(const QString &title, const QString &filter, const QString &defaultExt,
                                 const QString &initialName) = 0;

    // A notice that asks nothing and takes no focus, read while the operator
    // goes on working: the characters a name field left out. about is the
    // control it concerns, which the window shows it beside. Where no window
    // is, it is told like an information.
    virtual void Notice(const QString &text, QObject *about) { Show(Kind::Information, text); }

    void Error(const QString &text) { Show(Kind::Error, text); }
    void Warning(const QString &text) { Show(Kind::Warning, text); }
    void Information(const QString &text) { Show(Kind::Information, text); }
    bool Confirm(const QString &text) { return Show(Kind::Confirmation, text); }
    bool AskInformation(const QString &text) { return Show(Kind::InformationQuestion, text); }

    // The installed service; a plain one that writes to standard error until
    // another is installed, so core code never runs without one.
    static TMessageService &Instance();
    // Installs a service the caller keeps alive; nullptr restores the default.
    static void Install(TMessageService *service);
};

inline TMessageService &Messages() { return TMessageService::Instance(); }
