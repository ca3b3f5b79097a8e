#include "config/appconfig.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kOrganisation = QStringLiteral("Orvella Works");
const QString kApplication = QStringLiteral("PavolineBCS");
const QString kUserFolder = QStringLiteral("UserFolder");
const QString kPort = QStringLiteral("Port");
const QString kDatabase = QStringLiteral("Database");
}

QString TAppConfig::StorePath()
{
    // Where QSettings keeps a native per-user store on Linux; named explicitly so
    // the file can be created on first open and so test mode redirects it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + kOrganisation + u'/'
        + kApplication + QStringLiteral(".conf");
}

TAppConfig::TAppConfig()
{
    const QString path = StorePath();
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly); // an empty store; failure shows on the first write
    }
    fReg = std::make_unique<QSettings>(path, QSettings::IniFormat);
    Load();
}

QString TAppConfig::DefaultUserFolder()
{
    // The operator must be able to write the database without root, so the
    // per-user data folder stands in for an all-users one.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + kOrganisation + u'/'
        + kApplication;
}

QString TAppConfig::StoreFileName() const
{
    return fReg->fileName();
}

void TAppConfig::Load()
{
    fReg->sync();
    fUserFolder = fReg->contains(kUserFolder) ? fReg->value(kUserFolder).toString() : DefaultUserFolder();
    fPortNameStored = fReg->contains(kPort);
    fPortName = fPortNameStored ? fReg->value(kPort).toString() : DefaultPortName();
    fDBNameStored = fReg->contains(kDatabase);
    fDBName = fDBNameStored ? fReg->value(kDatabase).toString() : fUserFolder + QStringLiteral("/pvbcs.db");
}

void TAppConfig::SetPortName(const QString &name)
{
    fPortName = name;
    fPortNameStored = true;
    Write(kPort, name);
}

void TAppConfig::SetDBName(const QString &name)
{
    fDBName = name;
    fDBNameStored = true;
    Write(kDatabase, name);
}

void TAppConfig::Write(const QString &key, const QString &value)
{
    fReg->setValue(key, value);
    fReg->sync();
    if (fReg->status() != QSettings::NoError)
        throw Exception(Fmt(Msg::UnableToWrite, fReg->fileName()));
}
