#include "config/manual.h"

#include "config/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kManualFile = QStringLiteral("pvbcs.html");

QStringList &chosenFolders()
{
    static QStringList folders;
    return folders;
}
}

QStringList HelpFolders()
{
    if (!chosenFolders().isEmpty())
        return chosenFolders();
    // Relative to the program first, so a copy installed under another
    // prefix opens its own manual, not the one of the system's package.
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{programFolder + QStringLiteral("/help"),
                        QDir::cleanPath(programFolder + QStringLiteral("/../share/pvbcs/help"))};
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + QStringLiteral("/pvbcs/help");
    folders.removeDuplicates();
    return folders;
}

void SetHelpFolders(const QStringList &folders)
{
    chosenFolders() = folders;
}

QString HelpFileName()
{
    for (const QString &folder : HelpFolders()) {
        const QFileInfo file(folder + u'/' + kManualFile);
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return {};
}

QString HelpNotFoundText()
{
    QStringList folders;
    for (const QString &folder : HelpFolders())
        folders << QDir::toNativeSeparators(folder);
    return Fmt(Msg::HelpNotFound, folders.join(u'\n'));
}
