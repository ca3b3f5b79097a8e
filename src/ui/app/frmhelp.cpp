#include "app/frmhelp.h"

#include "config/manual.h"
#include "config/messageservice.h"
#include "widgets/screenfit.h"

#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QTextList>
#include <QVBoxLayout>

namespace {
const QSize kDesignSize(1000, 760);
}

QVariant THelpBrowser::loadResource(int type, const QUrl &name)
{
    const QVariant resource = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::ImageResource)
        return resource;
    const QImage picture = QImage::fromData(resource.toByteArray());
    const int room = PictureRoom(name.fileName());
    if (picture.isNull() || room <= 0 || picture.width() <= room)
        return resource;
    return picture.scaledToWidth(room, Qt::SmoothTransformation);
}

int THelpBrowser::PictureRoom(const QString &fileName) const
{
    // The manual is longer than any window: its scroll bar will take its room.
    int width = viewport()->width() - 2 * int(document()->documentMargin());
    if (!verticalScrollBar()->isVisible())
        width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    // The manual's pictures have names of their own.
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece) {
            const QTextCharFormat format = piece.fragment().charFormat();
            if (!format.isImageFormat() || QUrl(format.toImageFormat().name()).fileName() != fileName)
                continue;
            const QTextBlockFormat paragraph = block.blockFormat();
            const int indent = paragraph.indent() + (block.textList() ? block.textList()->format().indent() : 0);
            return width - int(paragraph.leftMargin() + paragraph.rightMargin()
                               + indent * document()->indentWidth());
        }
    return width;
}

TfrmHelp::TfrmHelp(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Operator's Manual"));

    txtManual = new THelpBrowser(this);
    txtManual->setObjectName(QStringLiteral("txtManual"));
    // Chapters and pictures from the manual's folder; web pages in the browser.
    txtManual->setOpenLinks(true);
    txtManual->setOpenExternalLinks(true);
    btnBack = new QPushButton(QStringLiteral("Back"), this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setEnabled(false);
    btnForward = new QPushButton(QStringLiteral("Forward"), this);
    btnForward->setObjectName(QStringLiteral("btnForward"));
    btnForward->setEnabled(false);
    btnContents = new QPushButton(QStringLiteral("Contents"), this);
    btnContents->setObjectName(QStringLiteral("btnContents"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnBack);
    buttons->addWidget(btnForward);
    buttons->addWidget(btnContents);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(txtManual, 1);

    connect(btnBack, &QPushButton::clicked, txtManual, &QTextBrowser::backward);
    connect(btnForward, &QPushButton::clicked, txtManual, &QTextBrowser::forward);
    connect(btnContents, &QPushButton::clicked, this, [this] { ShowChapter(QString()); });
    connect(txtManual, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(txtManual, &QTextBrowser::forwardAvailable, btnForward, &QWidget::setEnabled);
    connect(txtManual, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = txtManual->documentTitle();
        if (!title.isEmpty())
            setWindowTitle(title);
    });
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

bool TfrmHelp::ShowChapter(const QString &chapter)
{
    const QString fileName = HelpFileName();
    if (fileName.isEmpty()) {
        Messages().Error(HelpNotFoundText());
        return false;
    }
    if (!isVisible()) {
        // The page gets its width before the manual is laid out, so the
        // pictures fit it and the chapter comes to the top.
        const QRect available = AvailableArea(parentWidget() ? parentWidget() : this);
        resize(available.isValid() ? kDesignSize.boundedTo(RoomIn(this, available)) : kDesignSize);
        if (available.isValid())
            CentreIn(this, available);
        show();
    }
    QUrl url = QUrl::fromLocalFile(fileName);
    if (!chapter.isEmpty())
        url.setFragment(chapter);
    txtManual->setSource(url);
    if (fileName != fFileName) {
        // A manual other than the one shown (installed meanwhile): the way
        // back leads to none of the old one's pages.
        txtManual->clearHistory();
        fFileName = fileName;
    }
    raise();
    activateWindow();
    return true;
}
