#include "widgets/portcombobox.h"

#include "config/messages.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {
// What an item opens, kept apart from its text, which for a network beacon
// also names the controller.
constexpr int PortRole = Qt::UserRole;

QString ToolTip(const TPortInfo &port)
{
    QStringList lines{port.Name};
    for (const QString &detail : {port.Description, port.Manufacturer, port.SerialNumber, port.StableName})
        if (!detail.isEmpty() && !lines.contains(detail))
            lines << detail;
    return lines.join(u'\n');
}
}

TPortComboBox::TPortComboBox(QWidget *parent) : QComboBox(parent)
{
    view()->setTextElideMode(Qt::ElideLeft);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QVariant details = itemData(index, Qt::ToolTipRole);
        setToolTip(details.isValid() ? details.toString() : itemText(index));
        if (!NetworkEntryShown())
            fPreviousPort = CurrentPort();
    });
}


void TPortComboBox::SetPorts(const QList<TPortInfo> &ports, const QString &select,
                             const QList<TNetworkBeacon> &beacons)
{
    clear();
    addItem(QStringLiteral("Autodetect"));
    for (const TPortInfo &port : ports) {
        addItem(port.Name, port.Name);
        setItemData(count() - 1, ToolTip(port), Qt::ToolTipRole);
    }
    for (const TNetworkBeacon &beacon : beacons) {
        addItem(beacon.Address, beacon.Address);
        Describe(count() - 1, beacon);
    }
    addItem(NetworkEntryText());
    ShowPort(select);
}

void TPortComboBox::Describe(int index, const TNetworkBeacon &beacon)
{
    const QString text = beacon.Serial.isEmpty() ? beacon.Address : Fmt(Msg::NetBeaconItem, beacon.Address, beacon.Serial);
    if (itemText(index) == text && itemData(index, Qt::ToolTipRole).isValid())
        return; // as every identity poll reports it again
    setItemText(index, text);
    setItemData(index,
                beacon.Serial.isEmpty() ? QString::fromUtf8(Msg::NetRemembered)
                                        : Msg::NetRemembered + QStringLiteral("\n") + Fmt(Msg::StatusSerialNumber, beacon.Serial),
                Qt::ToolTipRole);
    if (index == currentIndex())
        setToolTip(itemData(index, Qt::ToolTipRole).toString());
}

void TPortComboBox::ShowBeacon(const TNetworkBeacon &beacon)
{
    int index = FindPort(beacon.Address);
    if (index < 0) {
        index = count() - 1; // before "Network Beacon…"
        insertItem(index, beacon.Address, beacon.Address);
    }
    Describe(index, beacon);
}

void TPortComboBox::ShowPort(const QString &port)
{
    if (port.isEmpty()) {
        setCurrentIndex(0);
        return;
    }
    int index = FindPort(port);
    if (index < 0) {
        index = count() - 1; // before "Network Beacon…"
        insertItem(index, port, port);
    }
    setCurrentIndex(index);
}

QString TPortComboBox::CurrentPort() const
{
    return currentData(PortRole).toString();
}

int TPortComboBox::FindPort(const QString &port) const
{
    return port.isEmpty() ? -1 : findData(port, PortRole, Qt::MatchExactly);
}

void TPortComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideLeft, field.width() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
