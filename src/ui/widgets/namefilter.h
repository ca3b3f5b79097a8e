#pragma once
#include <QValidator>

class QLineEdit;

// Keeps a name field to what a name can hold while the operator types, pastes
// or drops text into it: characters the code page lacks are left out and
// named in a notice beside the field, which neither takes the focus nor
// stops the typing; typing stops at maxLength (0: no limit). The notice names
// every character left out since the field took the focus.
class TNameFilter : public QValidator {
    Q_OBJECT
public:
    // Filters edit from its present text on.
    TNameFilter(QLineEdit *edit, int maxLength = 0);

    // Shows a stored name as it is, so that opening a record and saving it
    // unchanged keeps the name, even one longer than may be typed.
    void ShowName(const QString &name);

    State validate(QString &input, int &pos) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *const fEdit;
    const int fMaxLength;
    bool fShowing = false;
    QString fBefore;          // the field's text before the change being checked
    mutable QString fRefused; // what the change brought that a name cannot hold
    QString fRefusedSinceFocus; // what the notice names
};
