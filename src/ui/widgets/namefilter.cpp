#include "widgets/namefilter.h"

#include "config/cp1252.h"
#include "config/messageservice.h"

#include <QEvent>
#include <QLineEdit>

TNameFilter::TNameFilter(QLineEdit *edit, int maxLength)
    : QValidator(edit), fEdit(edit), fMaxLength(maxLength), fBefore(edit->text())
{
    edit->setValidator(this);
    edit->installEventFilter(this);
    // Only an operator's change is followed by textEdited, which comes
    // before textChanged.
    connect(edit, &QLineEdit::textEdited, this, [this] {
        if (fRefused.isEmpty())
            return;
        fRefusedSinceFocus += fRefused;
        fRefused.clear();
        Messages().Notice(Cp1252::NameRefusal(fRefusedSinceFocus), fEdit);
    });
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        fBefore = text;
        fRefused.clear();
    });
}

bool TNameFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        fRefusedSinceFocus.clear();
    return QValidator::eventFilter(watched, event);
}

void TNameFilter::ShowName(const QString &name)
{
    // The field checks text the program sets too, and would apply the check.
    fShowing = true;
    fEdit->setText(name);
    fShowing = false;
    fRefusedSinceFocus.clear();
}

QValidator::State TNameFilter::validate(QString &input, int &pos) const
{
    if (fShowing)
        return Acceptable;
    // The change replaced the middle of the text before it by what was typed.
    qsizetype head = 0;
    while (head < input.size() && head < fBefore.size() && input.at(head) == fBefore.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < input.size() - head && tail < fBefore.size() - head
           && input.at(input.size() - 1 - tail) == fBefore.at(fBefore.size() - 1 - tail))
        ++tail;
    const QString typed = input.mid(head, input.size() - head - tail);
    if (typed.isEmpty())
        return Acceptable;

    QString kept = Cp1252::NameText(typed);
    fRefused += Cp1252::NameRefusal(typed).isEmpty() ? QString() : typed;
    if (fMaxLength > 0) {
        // A longer name the program showed may be kept or shortened, not lengthened.
        const qsizetype room = qMax<qsizetype>(fMaxLength, fBefore.size()) - (input.size() - typed.size());
        kept.truncate(qMax<qsizetype>(room, 0));
    }
    if (kept != typed) {
        input = input.left(head) + kept + input.right(tail);
        pos = int(head + kept.size());
    }
    return Acceptable;
}
