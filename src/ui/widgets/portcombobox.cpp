#include "widgets/portcombobox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TPortComboBox::TPortComboBox(QWidget *parent) : QComboBox(parent)
{
    view()->setTextElideMode(Qt::ElideLeft);
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
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
