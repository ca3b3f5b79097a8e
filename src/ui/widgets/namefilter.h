#pragma once
#include <QValidator>

class QLineEdit;

// Keeps a name field to what a name can hold while the operator types, pastes
// or drops text into it: characters the code page lacks are left out and
// named in a message, and typing stops at maxLength (0: no limit).
class TNameFilter : public QValidator {
    Q_OBJECT
public:
    // Filters edit from its present text on.
    TNameFilter(QLineEdit *edit, int maxLength = 0);

    // Shows a stored name as it is, so that opening a record and saving it
    // unchanged keeps the name, even one longer than may be typed.
    void ShowName(const QString &name);

    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *const fEdit;
    const int fMaxLength;
    bool fShowing = false;
    QString fBefore;          // the field's text before the change being checked
    mutable QString fRefused; // what the change brought that a name cannot hold
};
