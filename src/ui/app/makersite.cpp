#include "app/makersite.h"

#include "config/errorhandler.h"
#include "config/updatechecker.h"

#include <QDesktopServices>
#include <QLabel>

void OpenMakerSite()
{
    QDesktopServices::openUrl(MakerSiteUrl());
}

void OpenDownloadPage()
{
    QDesktopServices::openUrl(DownloadPageUrl());
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
