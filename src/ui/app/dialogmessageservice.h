#pragma once
#include "config/messageservice.h"

class QWidget;

// The message service of the window: modal boxes, the name prompt and the
// file choosers, each over the active window.
class TDialogMessageService final : public TMessageService {
public:
    bool Show(Kind kind, const QString &text) override;
    std::optional<QString> PromptText(const QString &title, const QString &prompt, const QString &initial) override;
    QString OpenFileName(const QString &title, const QString &filter, const QString &defaultExt) override;
    QString SaveFileName(const QString &title, const QString &filter, const QString &defaultExt,
                         const QString &initialName) override;

    // "Text (*.a)|*.a|All (*.*)|*.*" to Qt's "Text (*.a);;All (*)".
    static QString QtFilter(const QString &filter);
};
