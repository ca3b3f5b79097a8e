#include "app/frmmain.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/version.h"

#include <QLabel>
#include <QVBoxLayout>

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    FormCreate();
}

void TfrmMain::FormCreate()
{
    setWindowTitle(DesignCaption());
    auto *central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette palette = central->palette();
    palette.setColor(QPalette::Window, Qt::white);
    central->setPalette(palette);
    auto *layout = new QVBoxLayout(central);
    auto *welcome = new QLabel(QStringLiteral("Welcome to Pavoline\u00AE Beacon Control Software "), central);
    welcome->setAlignment(Qt::AlignCenter);
    layout->addWidget(welcome);
    setCentralWidget(central);
    setFixedSize(810, 525);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (fShown)
        return;
    fShown = true;
    RunAction([this] { FormShow(); });
}

void TfrmMain::FormShow()
{
    setWindowTitle(Fmt("%s", DesignCaption() + u' ' + GetExeVersion()));
}
