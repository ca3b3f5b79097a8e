#pragma once
#include <QMainWindow>

// The main window. Its first show sets the title with the program version.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);

    static QString DesignCaption() { return QStringLiteral("Pavoline\u00AE Beacon Control Software"); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void FormShow();

    bool fShown = false;
};
