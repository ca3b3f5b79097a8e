#include "config/updatechecker.h"
#include "testenv.h"
#include "testhttpserver.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// The page of one fetch, waited for.
QString Fetched(int timeoutMs = 30000)
{
    TDownloadPageFetch fetch(timeoutMs);
    if (!fetch.IsFinished()) {
        QSignalSpy finished(&fetch, &TDownloadPageFetch::Finished);
        if (!finished.wait(timeoutMs + 10000))
            qWarning("the fetch did not finish");
    }
    return fetch.Page();
}

TUpdateOutcome Checked(const QString &programVersion)
{
    return UpdateOutcome(Fetched(), programVersion);
}
}

class TestUpdateChecker : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { SetMakerSiteUrl(QUrl()); }

    void theMakersSiteIsUnderAReservedDomain()
    {
        QVERIFY(MakerSiteUrl().host().endsWith(QStringLiteral(".example")));
        QCOMPARE(DownloadPageUrl().host(), MakerSiteUrl().host());
        QCOMPARE(DownloadPageUrl().path(), QStringLiteral("/software-downloads.asp"));
    }

    void versionsCompareAsNumbers_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "1.1.0.1" << "1.1.0.1" << 0;
        QTest::newRow("two-digit part is newer") << "1.10.0.0" << "1.9.0.0" << 1;
        QTest::newRow("two-digit build is newer") << "1.1.0.10" << "1.1.0.1" << 1;
        QTest::newRow("older") << "1.0.9.9" << "1.1.0.1" << -1;
        QTest::newRow("empty is oldest") << "" << "1.1.0.1" << -1;
        QTest::newRow("missing parts are 0") << "1.1" << "1.1.0.0" << 0;
        QTest::newRow("leading zeros") << "01.001.0.1" << "1.1.0.1" << 0;
        QTest::newRow("extra part") << "1.1.0.1.1" << "1.1.0.1" << 1;
        QTest::newRow("beyond 64 bits") << "99999999999999999999999.0" << "99999999999999999999998.9" << 1;
    }
    void versionsCompareAsNumbers()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(CompareVersions(a, b), order);
        QCOMPARE(CompareVersions(b, a), -order);
    }

    void pagesGiveTheirOutcome_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("program");
        QTest::addColumn<TUpdateOutcome>("outcome");
        const auto newer = TUpdateOutcome::NewerVersion;
        const auto upToDate = TUpdateOutcome::UpToDate;
        const auto notRetrieved = TUpdateOutcome::NotRetrieved;
        QTest::newRow("newer") << "<p>x</p><!--VERSION_INFO Beacons=1.2.0.0 -->" << "1.1.0.1" << newer;
        QTest::newRow("equal") << "<!--VERSION_INFO Beacons=1.1.0.1-->" << "1.1.0.1" << upToDate;
        QTest::newRow("older") << "<!--VERSION_INFO Beacons=1.0.9.9-->" << "1.1.0.1" << upToDate;
        QTest::newRow("10 after 9") << "<!--VERSION_INFO Beacons=1.10.0.0-->" << "1.9.0.0" << newer;
        QTest::newRow("build 10 after 1") << "<!--VERSION_INFO Beacons=1.1.0.10-->" << "1.1.0.1" << newer;
        QTest::newRow("colon") << "<!--VERSION_INFO\r\nBeacons:1.2.0.0\r\n-->" << "1.1.0.1" << newer;
        QTest::newRow("blank") << "<!--VERSION_INFO Beacons 1.2.0.0 -->" << "1.1.0.1" << newer;
        QTest::newRow("second blank empties the version") << "<!--VERSION_INFO Beacons  1.2.0.0 -->" << "1.1.0.1"
                                                           << upToDate;
        QTest::newRow("other keys first") << "<!--VERSION_INFO Radio=9.0;Beacons=2.0-->" << "1.1.0.1" << newer;
        QTest::newRow("key outside the comment") << "<!--VERSION_INFO Radio=9.0 --> Beacons=2.0" << "1.1.0.1"
                                                 << upToDate;
        QTest::newRow("no end of comment") << "<!--VERSION_INFO Beacons=2.0.0.0" << "1.1.0.1" << upToDate;
        QTest::newRow("no key") << "<!--VERSION_INFO Lights=2.0.0.0-->" << "1.1.0.1" << upToDate;
        QTest::newRow("no marker") << "<html>Not found</html>" << "1.1.0.1" << notRetrieved;
        QTest::newRow("empty page") << "" << "1.1.0.1" << notRetrieved;
    }
    void pagesGiveTheirOutcome()
    {
        QFETCH(QString, page);
        QFETCH(QString, program);
        QFETCH(TUpdateOutcome, outcome);
        QCOMPARE(UpdateOutcome(page, program), outcome);
    }

    void theCheckAsksTheServerPastAnyCache()
    {
        TTestHttpServer server;
        server.body = "<!--VERSION_INFO Beacons=1.2.0.0--> caf\xe9";
        SetMakerSiteUrl(server.Url());
        const QString page = Fetched();
        QCOMPARE(page, QStringLiteral("<!--VERSION_INFO Beacons=1.2.0.0--> caf\u00e9")); // one character per byte
        QVERIFY(server.lastRequest.startsWith("GET /software-downloads.asp HTTP/1.1\r\n"));
        QVERIFY(server.lastRequest.contains("\r\nUser-Agent: Doziruri Der\r\n"));
        QVERIFY(server.lastRequest.contains("\r\nCache-Control: no-cache\r\n"));

        // Each check fetches the page again.
        QCOMPARE(Checked(QStringLiteral("1.1.0.1")), TUpdateOutcome::NewerVersion);
        QCOMPARE(server.requests, 2);
    }

    void anErrorPageIsReadAndNoServerGivesNothing()
    {
        TTestHttpServer server;
        server.status = 404;
        server.body = "<html>No such page</html>";
        SetMakerSiteUrl(server.Url());
        QCOMPARE(Fetched(), QStringLiteral("<html>No such page</html>"));
        QCOMPARE(Checked(QStringLiteral("1.1.0.1")), TUpdateOutcome::NotRetrieved);

        SetMakerSiteUrl(TTestHttpServer::UnreachableUrl());
        QCOMPARE(Fetched(), QString());
        QCOMPARE(Checked(QStringLiteral("1.1.0.1")), TUpdateOutcome::NotRetrieved);
    }

    // A server that takes the request and never answers: the fetch ends at
    // its time-out with nothing, or at once when cancelled.
    void aSilentServerTimesOutOrIsCancelled()
    {
        TSilentHttpServer server;
        SetMakerSiteUrl(server.Url());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Fetched(500), QString());
        QVERIFY2(clock.elapsed() >= 400 && clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(server.connections, 1);

        TDownloadPageFetch fetch;
        QSignalSpy finished(&fetch, &TDownloadPageFetch::Finished);
        QTRY_COMPARE_WITH_TIMEOUT(server.connections, 2, 10000);
        QVERIFY(!fetch.IsFinished());
        fetch.Cancel();
        QVERIFY(fetch.IsFinished());
        QVERIFY(fetch.Cancelled());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(fetch.Page(), QString());
        fetch.Cancel(); // once finished, nothing more
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUpdateChecker)
#include "tst_updatechecker.moc"
