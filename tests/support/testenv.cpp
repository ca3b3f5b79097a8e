#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

void InitTestEnvironment()
{
    QStandardPaths::setTestModeEnabled(true);
    for (auto location : {QStandardPaths::GenericConfigLocation, QStandardPaths::GenericDataLocation})
        QDir(QStandardPaths::writableLocation(location)).removeRecursively();
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(runtime));
        QFile::setPermissions(QString::fromLocal8Bit(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
