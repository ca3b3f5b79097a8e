#include "app/frmsavesettings.h"

#include "config/errorhandler.h"
#include "config/exceptions.h"
#include "config/messageservice.h"
#include "pages/childadvanced.h"

#include <QPushButton>
#include <QScopeGuard>

TfrmSaveSettings::TfrmSaveSettings(const TfrmChildAdvanced &advancedPage, QWidget *parent)
    : TSettingsFileDialog({QStringLiteral("frmSaveSettings"), QStringLiteral("Save Settings"),
                           QStringLiteral("  Select parameters for saving:  "), false, QStringLiteral("btnSaveToFile"),
                           QStringLiteral("Save")},
                          parent),
      btnSaveToFile(fButton), fAdvancedPage(advancedPage)
{
    connect(btnSaveToFile, &QPushButton::clicked, this, [this] { RunAction([this] { btnSaveToFileClick(); }); });
}

void TfrmSaveSettings::btnSaveToFileClick()
{
    const QString fileName = Messages().SaveFileName(QStringLiteral("Save As"), FileFilter(), FileExtension(), {});
    if (fileName.isEmpty())
        return;
    const auto close = qScopeGuard([this] { accept(); });
    SaveSettingsFile(fileName, Parts(), fAdvancedPage.Settings());
}
