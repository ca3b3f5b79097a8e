#pragma once
#include "config/processinstance.h"
#include "transfer/workflows.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The communication log of the upload and download: one line per step, the
// calendar name line counting up in place. A tool window, not modal; Cancel
// only closes it, which ends the calendar name loop early. Created once at
// start-up and reused.
class TfrmComProgress : public QWidget, public TProgressLog, public TProcessInstance<TfrmComProgress> {
    Q_OBJECT
public:
    explicit TfrmComProgress(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The communication log window does not exist.";

    // Shows the window above owner, the modal dialog that runs the sequence,
    // so that the dialog's modality does not take Cancel away from the operator.
    void ShowOver(QWidget *owner);

    void Clear() override;
    void Add(const QString &line) override;
    void ReplaceLast(const QString &line) override;
    bool Closed() const override { return !isVisible(); }

    QPlainTextEdit *mmoLog;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
};
