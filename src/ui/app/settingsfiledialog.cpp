#include "app/settingsfiledialog.h"

#include "pages/pagewidgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QCheckBox *newCheckBox(const char *name, const QString &caption, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    return box;
}
}

TSettingsFileDialog::TSettingsFileDialog(const TDesign &design, QWidget *parent)
    : QDialog(parent), fButton(new QPushButton(design.buttonCaption, this))
{
    setObjectName(design.objectName);
    setWindowTitle(design.caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    gbParts = new QGroupBox(design.groupCaption, this);
    gbParts->setObjectName(QStringLiteral("gbParts"));
    cbSchedule = newCheckBox("cbSchedule", QStringLiteral("Schedule"), gbParts);
    cbHolidays = newCheckBox("cbHolidays", QStringLiteral("Holidays && Exceptions"), gbParts);
    cbAdvanced = newCheckBox("cbAdvanced", QStringLiteral("Advanced Settings"), gbParts);
    auto *boxes = new QVBoxLayout(gbParts);
    boxes->setContentsMargins(12, 8, 12, 10);
    boxes->setSpacing(8);
    const QList<QCheckBox *> order = design.advancedFirst ? QList<QCheckBox *>{cbAdvanced, cbHolidays, cbSchedule}
                                                          : QList<QCheckBox *>{cbSchedule, cbHolidays, cbAdvanced};
    for (QCheckBox *box : order)
        boxes->addWidget(box);

    lblNote = new QLabel(QStringLiteral("If Advanced Settings is checked, critical settings such as master/slave, "
                                        "channel, etc. will be overwritten!"),
                         this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setTextFormat(Qt::PlainText);
    lblNote->setWordWrap(true);
    lblNote->setFixedWidth(260);

    fButton->setObjectName(design.buttonName);
    fButton->setDefault(true);
    fButton->setMinimumSize(QSize(100, 30).expandedTo(fButton->minimumSizeHint()));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(fButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(gbParts);
    layout->addWidget(lblNote);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TConfigParts TSettingsFileDialog::Parts() const
{
    return {cbSchedule->isChecked(), cbHolidays->isChecked(), cbAdvanced->isChecked()};
}

QString TSettingsFileDialog::FileFilter()
{
    return QStringLiteral("Beacon Configuration (*.bcfg)|*.bcfg|All Files (*.*)|*.*");
}

QString TSettingsFileDialog::FileExtension()
{
    return QStringLiteral(".bcfg");
}

void TSettingsFileDialog::showEvent(QShowEvent *event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}
