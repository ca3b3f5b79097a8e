#pragma once
#include <QList>
#include <QStatusBar>

class TStatusPanel;

// A status bar of panels with centred text, addressed by index. The panels
// have the widths given; the last one also takes the rest of the bar. A text
// too long for its panel is shortened in the middle and shown whole as the
// panel's tool tip.
class TPanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    TPanelStatusBar(const QList<int> &widths, QWidget *parent = nullptr);

    int PanelCount() const { return int(fPanels.size()); }
    // The whole text, however it is shown.
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);

private:
    QList<TStatusPanel *> fPanels;
};
