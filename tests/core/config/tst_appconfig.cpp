#include "config/appconfig.h"
#include "config/processinstance.h"
#include "config/version.h"
#include "testenv.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

namespace {
// A process-wide instance whose registering base is not its first, as with
// the windows: the base and the whole object sit at different addresses.
struct TPadding {
    virtual ~TPadding() = default;
    int fill[4] = {};
};
class TRegistered : public TPadding, public TProcessInstance<TRegistered> {
public:
    static constexpr const char *kMissingInstance = "No registered object.";
    explicit TRegistered(int tag) : Tag(tag) {}
    int Tag;
};
}

class TestAppConfig : public QObject {
    Q_OBJECT

    static QString dataFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Orvella Works/PavolineBCS");
    }

    // Writes values straight into the store file, as an earlier run would have.
    static void seed(const QString &path, const QVariantMap &values)
    {
        QSettings raw(path, QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            raw.setValue(it.key(), it.value());
        raw.sync();
    }

private Q_SLOTS:
    void init() { InitTestEnvironment(); }

    void emptyStoreIsCreatedAndTakesDefaults()
    {
        TAppConfig config;
        QVERIFY(QFileInfo::exists(config.StoreFileName()));
        QVERIFY(config.StoreFileName().endsWith(QStringLiteral("/Orvella Works/PavolineBCS.conf")));
        QCOMPARE(config.UserFolder(), dataFolder());
        QCOMPARE(config.PortName(), QStringLiteral("ttyS0"));
        QCOMPARE(config.DBName(), dataFolder() + QStringLiteral("/pvbcs.db"));
        // Defaults are never written back.
        QSettings raw(config.StoreFileName(), QSettings::IniFormat);
        QVERIFY(raw.allKeys().isEmpty());
    }

    void databaseDefaultFollowsStoredUserFolder()
    {
        QString path;
        {
            TAppConfig config;
            path = config.StoreFileName();
        }
        seed(path, {{QStringLiteral("UserFolder"), QStringLiteral("/srv/beacons")}});
        TAppConfig config;
        QCOMPARE(config.UserFolder(), QStringLiteral("/srv/beacons"));
        QCOMPARE(config.DBName(), QStringLiteral("/srv/beacons/pvbcs.db"));
    }

    void emptyValuesAreNotAbsent()
    {
        QString path;
        {
            TAppConfig config;
            path = config.StoreFileName();
        }
        seed(path, {{QStringLiteral("Database"), QString()}, {QStringLiteral("Port"), QString()}});
        TAppConfig config;
        QCOMPARE(config.DBName(), QString());
        QCOMPARE(config.PortName(), QString());
    }

    void settersWriteAtOnceAndLoadRereads()
    {
        TAppConfig config;
        config.SetPortName(QStringLiteral("ttyUSB1"));
        config.SetDBName(QStringLiteral("/tmp/other.db"));
        {
            QSettings raw(config.StoreFileName(), QSettings::IniFormat);
            QCOMPARE(raw.value(QStringLiteral("Port")).toString(), QStringLiteral("ttyUSB1"));
            QCOMPARE(raw.value(QStringLiteral("Database")).toString(), QStringLiteral("/tmp/other.db"));
            QVERIFY(!raw.contains(QStringLiteral("UserFolder")));
        }
        seed(config.StoreFileName(), {{QStringLiteral("Port"), QStringLiteral("ttyACM0")}});
        config.Load();
        QCOMPARE(config.PortName(), QStringLiteral("ttyACM0"));
        QCOMPARE(&AppConfig(), &config);
    }

    void theFirstInstanceIsReachableUntilItIsDestroyed()
    {
        QCOMPARE(ErrorOf([] { TRegistered::Instance(); }), QStringLiteral("No registered object."));
        {
            TRegistered first(1);
            TRegistered second(2);
            QCOMPARE(&TRegistered::Instance(), &first);
            QCOMPARE(TRegistered::Instance().Tag, 1);
        }
        QCOMPARE(ErrorOf([] { TRegistered::Instance(); }), QStringLiteral("No registered object."));
        auto later = std::make_unique<TRegistered>(3);
        QCOMPARE(&TRegistered::Instance(), later.get());
    }

    void versionHasFourParts()
    {
        const QStringList parts = GetExeVersion().split(u'.');
        QCOMPARE(parts.size(), 4);
        for (const QString &part : parts) {
            bool ok = false;
            part.toUInt(&ok);
            QVERIFY(ok);
        }
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
