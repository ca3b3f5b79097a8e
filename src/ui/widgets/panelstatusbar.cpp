#include "widgets/panelstatusbar.h"

#include <QLabel>

TPanelStatusBar::TPanelStatusBar(const QList<int> &widths, QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int width : widths) {
        auto *panel = new QLabel(this);
        panel->setFixedWidth(width);
        panel->setAlignment(Qt::AlignCenter);
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        addWidget(panel);
        fPanels.append(panel);
    }
}

QString TPanelStatusBar::PanelText(int index) const
{
    return fPanels.at(index)->text();
}

void TPanelStatusBar::SetPanelText(int index, const QString &text)
{
    fPanels.at(index)->setText(text);
}

