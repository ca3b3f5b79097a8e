#include "link/virtualport.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString FolderName = QStringLiteral("pvbcs-ports");

// A name that stays a file of the folder: no path, no hidden file, no lock
// file's name.
bool PlainName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(u'.') && !name.contains(u'/') && !name.contains(QChar(0));
}

QString LinkPath(const QString &name)
{
    return VirtualPortFolder() + u'/' + name;
}

QByteArray LockPath(const QString &name)
{
    return QFile::encodeName(VirtualPortFolder() + QStringLiteral("/.") + name + QStringLiteral(".lock"));
}

// The whole file, as open file description locks take it: they belong to the
// open file rather than the process, so two registrations in one process
// exclude each other too, and the kernel drops them with the last descriptor.
struct flock WholeFile(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

// The lock file's text: the holder's process id, then the terminal.
QStringList Record(int fd)
{
    char text[512];
    const ssize_t n = ::pread(fd, text, sizeof text, 0);
    return n > 0 ? QString::fromLocal8Bit(text, int(n)).split(u'\n') : QStringList();
}
}

QString VirtualPortFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u'/' + FolderName;
}

QString VirtualPortNameOf(const QString &path)
{
    // Asked of every path that is opened: the runtime folder is looked up (and
    // judged, with warnings for another user's) only for a likely one.
    const QFileInfo link(path);
    if (!path.contains(u'/') || link.dir().dirName() != FolderName || link.absolutePath() != VirtualPortFolder())
        return {};
    return link.fileName();
}

QString VirtualPortDevice(const QString &name)
{
    if (!PlainName(name))
        return {};
    const int fd = ::open(LockPath(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    // Asks whether the lock is held without taking it, so looking never
    // stands in the way of a program registering the name.
    struct flock lock = WholeFile(F_RDLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    const QStringList record = held ? Record(fd) : QStringList();
    ::close(fd);
    // The link agrees with the holder's terminal once the holder has put it in place.
    if (record.size() < 2 || QFileInfo(LinkPath(name)).symLinkTarget() != record.at(1))
        return {};
    return QFileInfo(record.at(1)).canonicalFilePath(); // empty when the terminal is gone
}

TVirtualPort::TVirtualPort(const QString &name, const QString &device) : fName(name)
{
    if (!PlainName(name) || QFileInfo::exists(QStringLiteral("/dev/") + name))
        throw Exception(Fmt(Msg::VirtualPortNameRefused, name));
    const QString folder = VirtualPortFolder();
    if (!QDir().mkpath(folder))
        throw Exception(Fmt(Msg::UnableToWrite, folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray lockPath = LockPath(name);
    for (;;) {
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            throw Exception(Fmt(Msg::UnableToWrite, QFile::decodeName(lockPath)));
        struct flock lock = WholeFile(F_WRLCK);
        if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
            const QStringList record = Record(fd);
            ::close(fd);
            throw Exception(Fmt(Msg::VirtualPortTaken, name, record.value(0).toLongLong()));
        }
        // The holder before may have let the name go between our open and
        // our lock, removing the file we opened: only the file in place counts.
        struct stat opened {}, inPlace {};
        if (::fstat(fd, &opened) == 0 && ::stat(lockPath.constData(), &inPlace) == 0 && opened.st_dev == inPlace.st_dev
            && opened.st_ino == inPlace.st_ino) {
            fLock = fd;
            break;
        }
        ::close(fd);
    }
    const QByteArray record = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
        + QFile::encodeName(device) + '\n';
    const QString link = LinkPath(name);
    const QString fresh = folder + QStringLiteral("/.") + name + QStringLiteral(".new");
    // A link a killed holder left is replaced in one step, never missing.
    QFile::remove(fresh);
    if (::ftruncate(fLock, 0) != 0 || ::pwrite(fLock, record.constData(), size_t(record.size()), 0) != record.size()
        || !QFile::link(device, fresh) || ::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(link).constData()) != 0) {
        QFile::remove(fresh);
        Unregister();
        throw Exception(Fmt(Msg::UnableToWrite, link));
    }
}

TVirtualPort::~TVirtualPort()
{
    Unregister();
}

QString TVirtualPort::Path() const
{
    return LinkPath(fName);
}

void TVirtualPort::Unregister()
{
    if (fLock < 0)
        return;
    // The link first, while the lock still says the name is ours; the lock
    // file is removed before it is let go, so a program that opened it
    // meanwhile finds it gone once it has the lock, and makes a fresh one.
    QFile::remove(LinkPath(fName));
    ::unlink(LockPath(fName).constData());
    ::close(fLock);
    fLock = -1;
}
