#pragma once
#include <QProgressDialog>
#include <optional>

// Shown while "Check for Updates" waits for the maker's web site: a busy bar
// and Cancel. Modal, so the window keeps repainting while nothing else can
// be started; Cancel, Escape and the close box end the wait at once.
class TfrmUpdateCheck : public QProgressDialog {
    Q_OBJECT
public:
    explicit TfrmUpdateCheck(QWidget *parent);

    // Fetches the download page; no value when the operator cancelled.
    std::optional<QString> Fetch();

    // Escape, however it arrives, cancels like the button.
    void reject() override { Q_EMIT canceled(); }
};
