#pragma once
#include "link/portlist.h"

#include <QComboBox>

// A drop-down list of serial ports after its first item, "Autodetect". Ports
// are listed by their short names ("ttyUSB0", a simulator's "classroom"); a
// path too long for the box (a remembered port that is not plugged in) loses
// its start, so the port's own name stays in view. Each port
// tells what it is (the adapter's description, maker and serial number) in
// its tool tip, and the box's tool tip is that of the item shown (its text
// where it has none).
class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPortComboBox(QWidget *parent = nullptr);

    // Lists "Autodetect" and ports, and shows the port named select, listing
    // it too if it is not among them; an empty select shows "Autodetect".
    void SetPorts(const QList<TPortInfo> &ports, const QString &select);

protected:
    void paintEvent(QPaintEvent *event) override;
};
