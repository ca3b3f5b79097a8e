#include "widgets/portcombobox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {
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
    });
}

void TPortComboBox::SetPorts(const QList<TPortInfo> &ports, const QString &select)
{
    clear();
    addItem(QStringLiteral("Autodetect"));
    for (const TPortInfo &port : ports) {
        addItem(port.Name);
        setItemData(count() - 1, ToolTip(port), Qt::ToolTipRole);
    }
    if (select.isEmpty()) {
        setCurrentIndex(0);
        return;
    }
    if (findText(select) < 0)
        addItem(select);
    setCurrentIndex(findText(select));
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
