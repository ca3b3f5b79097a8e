#pragma once
#include <QComboBox>

// A drop-down list of serial ports. A virtual port is named by its path, often
// too long for the box: the start of the path is left out then, so the port's
// own name stays in view, and the whole name is the box's tool tip.
class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPortComboBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
