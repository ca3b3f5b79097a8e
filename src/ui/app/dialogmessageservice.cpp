#include "app/dialogmessageservice.h"

#include "widgets/namefilter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
QWidget *owner()
{
    return QApplication::activeWindow();
}

// More lines than a message box shows whole on a small screen.
constexpr int kLongTextLines = 12;

// A long text (a comparison's differences) in a resizable window that
// scrolls, fits the screen and lets the text be copied; OK stays in view.
void ShowLongText(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QDialog dialog(owner());
    dialog.setObjectName(QStringLiteral("dlgLongMessage"));
    dialog.setWindowTitle(title);
    dialog.setSizeGripEnabled(true);
    auto *picture = new QLabel(&dialog);
    const QStyle::StandardPixmap pixmaps[] = {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxInformation,
                                              QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical,
                                              QStyle::SP_MessageBoxQuestion};
    picture->setPixmap(dialog.style()->standardIcon(pixmaps[icon]).pixmap(32, 32));
    auto *view = new QPlainTextEdit(text, &dialog);
    view->setObjectName(QStringLiteral("edtMessageText"));
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(view, 1);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(row, 1);
    layout->addWidget(buttons);
    QSize wanted(640, 480);
    if (const QScreen *screen = (owner() ? owner()->screen() : QGuiApplication::primaryScreen()))
        wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(wanted);
    dialog.exec();
}

// How long a notice stays: long enough to be read while typing on.
constexpr int kNoticeShownMs = 8000;

// A notice under its control: a window of the tool-tip kind, which never
// takes the focus. Unlike a tool tip it stays while the operator types on,
// and goes with the control's window.
class TNotice : public QLabel {
public:
    explicit TNotice(QWidget *control) : QLabel(control, Qt::ToolTip | Qt::FramelessWindowHint), fControl(control)
    {
        setObjectName(QStringLiteral("lblNotice"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        setTextFormat(Qt::PlainText);
        setPalette(QToolTip::palette());
        setFont(QToolTip::font());
        setFrameShape(QFrame::Box);
        setMargin(3);
        fTimer.setSingleShot(true);
        connect(&fTimer, &QTimer::timeout, this, &QWidget::hide);
        control->window()->installEventFilter(this);
    }

    void Show(const QString &text)
    {
        setText(text);
        adjustSize();
        move(fControl->mapToGlobal(QPoint(0, fControl->height() + 2)));
        show();
        fTimer.start(kNoticeShownMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Move)
            hide();
        return QLabel::eventFilter(watched, event);
    }

private:
    QWidget *const fControl;
    QTimer fTimer;
};

QString runFileDialog(QFileDialog &dialog, const QString &filter, const QString &defaultExt)
{
    dialog.setNameFilter(TDialogMessageService::QtFilter(filter));
    if (!defaultExt.isEmpty())
        dialog.setDefaultSuffix(defaultExt.startsWith(u'.') ? defaultExt.mid(1) : defaultExt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
}

bool TDialogMessageService::Show(Kind kind, const QString &text)
{
    // A box asked in the middle of a busy operation (the question after
    // connecting) shows the normal pointer while it waits for the operator.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto restore = qScopeGuard([busy] {
        if (busy)
            QGuiApplication::restoreOverrideCursor();
    });
    if (text.count(u'\n') >= kLongTextLines && !IsQuestion(kind)) {
        const bool error = kind == Kind::Error;
        ShowLongText(error ? QMessageBox::Critical : kind == Kind::Warning ? QMessageBox::Warning
                                                                             : QMessageBox::Information,
                     error ? QStringLiteral("Error") : kind == Kind::Warning ? QStringLiteral("Warning")
                                                                              : QStringLiteral("Information"),
                     text);
        return true;
    }
    switch (kind) {
    case Kind::Error:
        QMessageBox::critical(owner(), QStringLiteral("Error"), text);
        return true;
    case Kind::Warning:
        QMessageBox::warning(owner(), QStringLiteral("Warning"), text);
        return true;
    case Kind::Information:
        QMessageBox::information(owner(), QStringLiteral("Information"), text);
        return true;
    case Kind::Confirmation:
        return QMessageBox::question(owner(), QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    case Kind::InformationQuestion:
        return QMessageBox::information(owner(), QStringLiteral("Information"), text,
                                        QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    }
    return false;
}

void TDialogMessageService::Notice(const QString &text, QObject *about)
{
    auto *control = qobject_cast<QWidget *>(about);
    if (!control || !control->isVisible())
        control = owner();
    if (!control)
        return;
    auto *notice = static_cast<TNotice *>(
        control->findChild<QLabel *>(QStringLiteral("lblNotice"), Qt::FindDirectChildrenOnly));
    if (!notice)
        notice = new TNotice(control);
    notice->Show(text);
}

std::optional<QString> TDialogMessageService::PromptText(const QString &title, const QString &prompt,
                                                         const QString &initial)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    // The prompt asks for names only: what it gives back is what is stored.
    new TNameFilter(dialog.findChild<QLineEdit *>());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString TDialogMessageService::OpenFileName(const QString &title, const QString &filter, const QString &defaultExt)
{
    QFileDialog dialog(owner(), title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist is the caller's to judge: a settings file
    // that is not there loads as empty, a missing database is ignored.
    dialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(dialog, filter, defaultExt);
}

QString TDialogMessageService::SaveFileName(const QString &title, const QString &filter, const QString &defaultExt,
                                            const QString &initialName)
{
    QFileDialog dialog(owner(), title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The program's saves replace an existing file without asking, as operators expect.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    return runFileDialog(dialog, filter, defaultExt);
}

QString TDialogMessageService::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*")).replace(u';', u' ');
        QString description = parts.at(i);
        const qsizetype paren = description.indexOf(u'(');
        if (paren >= 0)
            description = description.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out.join(QStringLiteral(";;"));
}
