#pragma once
#include "config/processinstance.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: product name, version, supported models, legal notice and a
// link to the maker's site. Created once at start-up and reused.
class TfrmAboutBox : public QDialog, public TProcessInstance<TfrmAboutBox> {
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The about box does not exist.";

    QLabel *lblVersion;
    QPushButton *btnOK;

protected:
    void showEvent(QShowEvent *event) override;
};
