#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The about box: product name, version, supported models, legal notice and a
// link to the maker's site. Created once at start-up and reused.
class TfrmAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget *parent = nullptr);
    ~TfrmAboutBox() override;

    static TfrmAboutBox &Instance();

    QLabel *lblVersion;
    QPushButton *btnOK;

protected:
    void showEvent(QShowEvent *event) override;
};
