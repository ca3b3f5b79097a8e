#pragma once
#include <QString>
#include <QUrl>

// The maker's web site: its home page (the web-site links) and its software
// download page (the update check, and the page the operator is offered).
// The host lies under a reserved example domain, so the program never reaches
// a real site; tests point it at a server of their own.
QUrl MakerSiteUrl();
void SetMakerSiteUrl(const QUrl &url);
QUrl DownloadPageUrl();

enum class TUpdateOutcome { NewerVersion, UpToDate, NotRetrieved };

// One GET of the download page, past any cache, through the system's proxy
// settings. The text holds one character per byte received; it is empty when
// the page cannot be fetched. The wait keeps the window painted but takes no
// operator input, as the check blocks the window until it has an answer.
QString FetchDownloadPage(int timeoutMs = 30000);

// What a download page says about programVersion: NotRetrieved when it holds
// no version marker, NewerVersion when the marker's "Beacons" version is
// greater, else UpToDate (also for a marker that is cut short or unreadable).
TUpdateOutcome UpdateOutcome(const QString &page, const QString &programVersion);

// Dotted version numbers compared as numbers, part by part, a missing or empty
// part counting as 0: negative, zero or positive as a is older, equal or newer.
int CompareVersions(const QString &a, const QString &b);

TUpdateOutcome CheckForUpdate(const QString &programVersion);
