#include "config/updatechecker.h"

#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QStringList>

namespace {
const QUrl kMakerSite(QStringLiteral("http://www.orvellaworks.example/"));
const QString kDownloadPage = QStringLiteral("/software-downloads.asp");
const QString kUserAgent = QStringLiteral("Doziruri Der");
const QString kMarker = QStringLiteral("<!--VERSION_INFO");
const QString kMarkerEnd = QStringLiteral("-->");
const QString kKey = QStringLiteral("Beacons");

QUrl siteOverride;

// Per request rather than process-wide, so nothing else in the program
// changes its proxy use.
class TSystemProxyFactory final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override { return systemProxyForQuery(query); }
};

bool isVersionChar(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.';
}

// Digits of one version part without leading zeros, so that the longer text
// is the greater number and equal lengths compare as text.
QString significantDigits(const QString &part)
{
    qsizetype first = 0;
    while (first < part.size() && part.at(first) == u'0')
        ++first;
    return part.mid(first);
}
}

QUrl MakerSiteUrl()
{
    return siteOverride.isEmpty() ? kMakerSite : siteOverride;
}

void SetMakerSiteUrl(const QUrl &url)
{
    siteOverride = url;
}

QUrl DownloadPageUrl()
{
    return MakerSiteUrl().resolved(QUrl(kDownloadPage));
}

TDownloadPageFetch::TDownloadPageFetch(int timeoutMs)
{
    fManager.setProxyFactory(new TSystemProxyFactory);
    QNetworkRequest request(DownloadPageUrl());
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setTransferTimeout(timeoutMs);
    fReply.reset(fManager.get(request));
    connect(fReply.get(), &QNetworkReply::finished, this, &TDownloadPageFetch::Finish);
    if (fReply->isFinished())
        Finish();
}

TDownloadPageFetch::~TDownloadPageFetch() = default;

void TDownloadPageFetch::Cancel()
{
    if (fFinished)
        return;
    fCancelled = true;
    fReply->abort(); // finishes the reply at once
}

void TDownloadPageFetch::Finish()
{
    if (fFinished)
        return;
    fFinished = true;
    // An error page is read like any other: it simply holds no marker.
    if (!fCancelled)
        fPage = QString::fromLatin1(fReply->readAll());
    Q_EMIT Finished();
}

TUpdateOutcome UpdateOutcome(const QString &page, const QString &programVersion)
{
    const qsizetype marker = page.indexOf(kMarker);
    if (marker < 0)
        return TUpdateOutcome::NotRetrieved;
    QString info = page.mid(marker);
    const qsizetype end = info.indexOf(kMarkerEnd);
    if (end < 0)
        return TUpdateOutcome::UpToDate;
    // The comment and the one character after it; the key is looked for there only.
    info.truncate(end + kMarkerEnd.size() + 1);
    const qsizetype key = info.indexOf(kKey);
    if (key < 0)
        return TUpdateOutcome::UpToDate;
    // The key is followed by one separator character of any kind.
    const qsizetype start = key + kKey.size() + 1;
    qsizetype stop = start;
    while (stop < info.size() && isVersionChar(info.at(stop)))
        ++stop;
    const QString published = info.mid(start, stop - start);
    return CompareVersions(published, programVersion) > 0 ? TUpdateOutcome::NewerVersion : TUpdateOutcome::UpToDate;
}

int CompareVersions(const QString &a, const QString &b)
{
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < qMax(left.size(), right.size()); ++i) {
        const QString x = significantDigits(left.value(i));
        const QString y = significantDigits(right.value(i));
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        if (const int order = x.compare(y); order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}
