#include "app/makersite.h"

#include "config/errorhandler.h"
#include "config/updatechecker.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QLabel>

void OpenMakerSite()
{
    QDesktopServices::openUrl(MakerSiteUrl());
}

void OpenDownloadPage()
{
    QDesktopServices::openUrl(DownloadPageUrl());
}

QString HelpFileName()
{
    const QString name = QStringLiteral("help/pvbcs.html");
    const QString programFolder = QCoreApplication::applicationDirPath();
    // Found relative to the program first, so a copy installed under another
    // prefix opens its own help; then wherever the desktop keeps data.
    for (const QString &candidate : {programFolder + u'/' + name, programFolder + QStringLiteral("/../share/pvbcs/") + name})
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("pvbcs/") + name);
}

void OpenHelpFile(const QString &chapter)
{
    const QString fileName = HelpFileName();
    if (fileName.isEmpty())
        return;
    QUrl url = QUrl::fromLocalFile(fileName);
    url.setFragment(chapter);
    QDesktopServices::openUrl(url);
}

QLabel *NewWebSiteLink(QWidget *parent)
{
    const QUrl site = MakerSiteUrl();
    auto *link = new QLabel(parent);
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline;\">%2</a>")
                      .arg(site.toString().toHtmlEscaped(), site.host().toHtmlEscaped()));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    link->setCursor(Qt::PointingHandCursor);
    QObject::connect(link, &QLabel::linkActivated, link, [] { RunAction(OpenMakerSite); });
    return link;
}
