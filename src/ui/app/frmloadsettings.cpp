#include "app/frmloadsettings.h"

#include "config/errorhandler.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/childadvanced.h"
#include "pages/childrecordlist.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

TfrmLoadSettings::TfrmLoadSettings(TfrmChildAdvanced &advancedPage, TChildRecordList &scheduleRecords,
                                   TChildRecordList &calendarRecords, QWidget *parent)
    : TSettingsFileDialog({QStringLiteral("frmLoadSettings"), QStringLiteral("Load Settings"),
                           QStringLiteral("  Select parameters for loading:  "), true,
                           QStringLiteral("btnLoadFromFile"), QStringLiteral("Load")},
                          parent),
      btnLoadFromFile(fButton), fAdvancedPage(advancedPage), fScheduleRecords(scheduleRecords),
      fCalendarRecords(calendarRecords)
{
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setTextFormat(Qt::PlainText);
    lblFile->setWordWrap(true);
    lblFile->setFixedWidth(lblNote->width());
    lblFile->hide();
    static_cast<QBoxLayout *>(layout())->insertWidget(0, lblFile);
    connect(btnLoadFromFile, &QPushButton::clicked, this, [this] { RunAction([this] { btnLoadFromFileClick(); }); });
}

void TfrmLoadSettings::btnLoadFromFileClick()
{
    const QString fileName = fGivenFile.isEmpty()
        ? Messages().OpenFileName(QStringLiteral("Open"), FileFilter(), FileExtension())
        : fGivenFile;
    if (fileName.isEmpty())
        return;
    // A name that does not exist loads as an empty configuration; that is
    // only done when the operator says so.
    if (!QFileInfo::exists(fileName) && !Messages().Confirm(Fmt(Msg::LoadMissingFileAsEmpty, fileName)))
        return;
    const auto finish = qScopeGuard([this] {
        fScheduleRecords.ShowRecords();
        fCalendarRecords.ShowRecords();
        accept();
    });
    fAdvancedPage.Change([&](TAdvancedSettings &settings) { LoadSettingsFile(fileName, Parts(), settings); });
}

void TfrmLoadSettings::LoadGivenFile(const QString &fileName)
{
    fGivenFile = fileName;
    lblFile->setText(QStringLiteral("File: ") + QDir::toNativeSeparators(fileName));
    lblFile->show();
    const auto forget = qScopeGuard([this] {
        fGivenFile.clear();
        lblFile->hide();
    });
    exec();
}
