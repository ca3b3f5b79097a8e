#pragma once
#include <QList>
#include <QStatusBar>

class QTimer;
class TStatusPanel;

// A status bar of panels with centred text, addressed by index. The panels
// have the widths given; the last one also takes the rest of the bar. A text
// too long for its panel is shortened in the middle and shown whole as the
// panel's tool tip. A note (what a background task has to say) shows for a
// while in place of the panels from a given one on; the panels before it stay
// in view.
class TPanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    TPanelStatusBar(const QList<int> &widths, QWidget *parent = nullptr);

    int PanelCount() const { return int(fPanels.size()); }
    // The whole text, however it is shown.
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);

    // Shows text for msecs in place of the panels from fromPanel on, which
    // keep their texts beneath it; a note shown replaces the one before.
    void ShowNote(const QString &text, int fromPanel, int msecs);
    void HideNote();
    // The note shown; empty when none is.
    QString NoteText() const;

private:
    QList<TStatusPanel *> fPanels;
    TStatusPanel *fNote = nullptr; // made with the first note
    QTimer *fNoteTimer = nullptr;
};
