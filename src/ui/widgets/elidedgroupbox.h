#pragma once
#include <QGroupBox>

// A group whose caption, when too long for the group (a long library name),
// is shortened at its end with the whole caption as the group's tool tip, so
// it never widens the window.
class TElidedGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TElidedGroupBox(const QString &caption, QWidget *parent = nullptr);

    // The whole caption, however it is shown.
    QString Caption() const { return fCaption; }
    void SetCaption(const QString &caption);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Fit();

    QString fCaption;
};
