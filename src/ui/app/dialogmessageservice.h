#pragma once
#include "config/messageservice.h"

class QWidget;

// The message service of the window: modal boxes, the name prompt and the
// file choosers, each over the active window; notices beside their control.
class TDialogMessageService final : public TMessageService {
public:
    bool Show(Kind kind, const QString &text) override;
    std::optional<QString> PromptText(const QString &title, const QString &prompt, const QString &initial) override;
    QString OpenFileName(const QString &title, const QString &filter, const QString &defaultExt) override;
    QString SaveFileName(const QString &title, const QString &filter, const QString &defaultExt,
                         const QString &initialName) override;
    // Shown like a tool tip under the control for a few seconds, or until its
    // window goes; typing on does not hide it.
    void Notice(const QString &text, QObject *about) override;

    // "Text (*.a)|*.a|All (*.*)|*.*" to Qt's "Text (*.a);;All (*)".
    static QString QtFilter(const QString &filter);
};
