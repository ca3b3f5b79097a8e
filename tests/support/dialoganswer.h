#pragma once
#include <QAbstractButton>
#include <QDialog>
#include <QTimer>
#include <functional>

// How a test answers a modal dialog that an action opens: set up before the
// action, it looks every few milliseconds whether the dialog is open, then
// runs fill (which may check and change the controls) and presses a button.
// A dialog still open after that is cancelled, so a failing test never hangs;
// stayedOpen tells. An answer whose dialog never opened is withdrawn when it
// goes out of scope.
class TDialogAnswer {
public:
    TDialogAnswer(QDialog &dialog, std::function<void()> fill, QAbstractButton *press)
    {
        QObject::connect(&fTimer, &QTimer::timeout, [this, &dialog, fill = std::move(fill), press] {
            if (!dialog.isVisible())
                return;
            fTimer.stop();
            opened = true;
            if (fill)
                fill();
            if (press)
                press->click();
            stayedOpen = dialog.isVisible();
            if (stayedOpen)
                dialog.reject();
        });
        fTimer.start(5);
    }

    bool opened = false;
    bool stayedOpen = false;

private:
    QTimer fTimer;
};
