#pragma once
#include <QList>
#include <QStatusBar>

class QLabel;

// A status bar of fixed-width panels with centred text, addressed by index.
class TPanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    TPanelStatusBar(const QList<int> &widths, QWidget *parent = nullptr);

    int PanelCount() const { return int(fPanels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);

private:
    QList<QLabel *> fPanels;
};
