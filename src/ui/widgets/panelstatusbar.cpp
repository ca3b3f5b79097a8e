#include "widgets/panelstatusbar.h"

#include <QLabel>

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
