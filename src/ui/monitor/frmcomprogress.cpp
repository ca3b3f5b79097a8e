#include "monitor/frmcomprogress.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWindow>

TfrmComProgress::TfrmComProgress(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmComProgress"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString());

    auto *picture = new QLabel(this);
    picture->setPixmap(Picture(QStringLiteral("home-controller"), QSize(64, 64)));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto *caption = new QLabel(QStringLiteral("Communication Log:"), this);
    mmoLog = new QPlainTextEdit(this);
    mmoLog->setObjectName(QStringLiteral("mmoLog"));
    mmoLog->setReadOnly(true);
    mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QWidget::close);

    auto *right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(caption);
    right->addWidget(mmoLog, 1);
    right->addWidget(btnCancel, 0, Qt::AlignRight);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(picture);
    layout->addLayout(right, 1);
    // Room for the longest step lines without scrolling sideways.
    const QFontMetrics metrics = mmoLog->fontMetrics();
    const int lineWidth =
        qMax(metrics.horizontalAdvance(Fmt(Msg::WritingItem, Msg::ItemCommMode)),
             metrics.horizontalAdvance(Fmt(Msg::WritingItem, Fmt(Msg::ItemNameForCalendarRecord, 16))));
    mmoLog->setMinimumSize(lineWidth + 60, metrics.lineSpacing() * 8);
    setFixedSize(sizeHint());
}

void TfrmComProgress::ShowOver(QWidget *owner)
{
    // A window belonging to the modal one is not blocked by it.
    winId();
    if (owner && owner->window()->windowHandle())
        windowHandle()->setTransientParent(owner->window()->windowHandle());
    // Qt would hand the window system the program's name for an empty
    // title; a blank keeps the title bar empty.
    windowHandle()->setTitle(QStringLiteral(" "));
    show();
}

void TfrmComProgress::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

void TfrmComProgress::Clear()
{
    mmoLog->clear();
}

void TfrmComProgress::Add(const QString &line)
{
    mmoLog->appendPlainText(line);
}

void TfrmComProgress::ReplaceLast(const QString &line)
{
    QTextCursor cursor(mmoLog->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(line);
}
