#pragma once
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>
#include <memory>

// The maker's web site: its home page (the web-site links) and its software
// download page (the update check, and the page the operator is offered).
// The host lies under a reserved example domain, so the program never reaches
// a real site; tests point it at a server of their own.
QUrl MakerSiteUrl();
void SetMakerSiteUrl(const QUrl &url);
QUrl DownloadPageUrl();

enum class TUpdateOutcome { NewerVersion, UpToDate, NotRetrieved };

// One GET of the download page, past any cache, through the system's proxy
// settings, started on construction. Finished is emitted once: when the page
// has been read or could not be, or when Cancel was called.
class TDownloadPageFetch : public QObject {
    Q_OBJECT
public:
    explicit TDownloadPageFetch(int timeoutMs = 30000);
    ~TDownloadPageFetch() override;

    bool IsFinished() const { return fFinished; }
    void Cancel();
    bool Cancelled() const { return fCancelled; }
    // One character per byte received; empty when the page could not be
    // fetched or the fetch was cancelled.
    const QString &Page() const { return fPage; }

Q_SIGNALS:
    void Finished();

private:
    void Finish();

    QNetworkAccessManager fManager;
    std::unique_ptr<QNetworkReply> fReply;
    QString fPage;
    bool fFinished = false;
    bool fCancelled = false;
};

// What a download page says about programVersion: NotRetrieved when it holds
// no version marker, NewerVersion when the marker's "Beacons" version is
// greater, else UpToDate (also for a marker that is cut short or unreadable).
TUpdateOutcome UpdateOutcome(const QString &page, const QString &programVersion);

// Dotted version numbers compared as numbers, part by part, a missing or empty
// part counting as 0: negative, zero or positive as a is older, equal or newer.
int CompareVersions(const QString &a, const QString &b);
