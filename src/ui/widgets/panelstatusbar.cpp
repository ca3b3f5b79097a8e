#include "widgets/panelstatusbar.h"

#include <QLabel>
#include <QTimer>

class TStatusPanel : public QLabel {
public:
    explicit TStatusPanel(QWidget *parent) : QLabel(parent)
    {
        setAlignment(Qt::AlignCenter);
        setTextFormat(Qt::PlainText);
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
    }

    const QString &FullText() const { return fText; }
    void SetFullText(const QString &text)
    {
        fText = text;
        Fit();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        Fit();
    }

private:
    void Fit()
    {
        const QString shown = fontMetrics().elidedText(fText, Qt::ElideMiddle, contentsRect().width() - 2);
        setText(shown);
        setToolTip(shown == fText ? QString() : fText);
    }

    QString fText;
};

TPanelStatusBar::TPanelStatusBar(const QList<int> &widths, QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (qsizetype i = 0; i < widths.size(); ++i) {
        auto *panel = new TStatusPanel(this);
        const bool last = i == widths.size() - 1;
        if (last) {
            // The shortened text must not make the panel ask for more room.
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            panel->setMinimumWidth(widths.at(i));
        } else {
            panel->setFixedWidth(widths.at(i));
        }
        addWidget(panel, last ? 1 : 0);
        fPanels.append(panel);
    }
}

QString TPanelStatusBar::PanelText(int index) const
{
    return fPanels.at(index)->FullText();
}

void TPanelStatusBar::SetPanelText(int index, const QString &text)
{
    fPanels.at(index)->SetFullText(text);
}

void TPanelStatusBar::ShowNote(const QString &text, int fromPanel, int msecs)
{
    if (!fNote) {
        fNote = new TStatusPanel(this);
        fNote->setObjectName(QStringLiteral("pnlNote"));
        fNote->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        fNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        addWidget(fNote, 1);
        fNoteTimer = new QTimer(this);
        fNoteTimer->setSingleShot(true);
        connect(fNoteTimer, &QTimer::timeout, this, &TPanelStatusBar::HideNote);
    }
    for (qsizetype i = 0; i < fPanels.size(); ++i)
        fPanels.at(i)->setVisible(i < fromPanel);
    fNote->SetFullText(text);
    fNote->show();
    fNoteTimer->start(msecs);
}

void TPanelStatusBar::HideNote()
{
    if (!fNote)
        return;
    fNoteTimer->stop();
    fNote->hide();
    fNote->SetFullText(QString());
    for (TStatusPanel *panel : std::as_const(fPanels))
        panel->show();
}

QString TPanelStatusBar::NoteText() const
{
    return fNote ? fNote->FullText() : QString();
}
