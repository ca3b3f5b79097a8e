#pragma once
#include "config/processinstance.h"

#include <QSettings>
#include <QString>
#include <memory>

// The per-user configuration store: three text values, "UserFolder", "Port" and
// "Database". A value that exists is taken as stored, even when empty; only an
// absent one takes its default, and defaults are never written back.
class TAppConfig : public TProcessInstance<TAppConfig> {
public:
    // Opens the store (creating it when missing) and loads it. The store is the
    // per-user file of organisation "Orvella Works", application "PavolineBCS".
    TAppConfig();
    TAppConfig(const TAppConfig &) = delete;
    TAppConfig &operator=(const TAppConfig &) = delete;

    // Re-reads the three values in the order UserFolder, Port, Database.
    void Load();

    const QString &UserFolder() const { return fUserFolder; }
    const QString &PortName() const { return fPortName; }
    const QString &DBName() const { return fDBName; }
    // Whether the store holds a value of its own, rather than the default.
    bool PortNameStored() const { return fPortNameStored; }
    bool DBNameStored() const { return fDBNameStored; }
    // Both setters write the value to disk at once.
    void SetPortName(const QString &name);
    void SetDBName(const QString &name);

    QString StoreFileName() const;
    // Where the store lives for this user.
    static QString StorePath();
    static QString DefaultUserFolder();
    static QString DefaultPortName() { return QStringLiteral("ttyS0"); }

    static constexpr const char *kMissingInstance = "The configuration store is not open.";

private:
    void Write(const QString &key, const QString &value);

    std::unique_ptr<QSettings> fReg;
    QString fPortName;
    QString fDBName;
    QString fUserFolder;
    bool fPortNameStored = false;
    bool fDBNameStored = false;
};

inline TAppConfig &AppConfig() { return TAppConfig::Instance(); }
