#pragma once
// For tests of what an ordinary user meets: a serial device of the dialout
// group, opened by someone who is not in it.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Debian's group of serial devices.
inline constexpr gid_t kDialoutGid = 20;
inline constexpr uid_t kNobody = 65534;

// Gives device to root and group gid with the given mode, as udev does for a
// USB serial adapter. Needs root.
inline bool RestrictDevice(const QString &device, mode_t mode = 0660, gid_t gid = kDialoutGid)
{
    const QByteArray path = QFile::encodeName(device);
    return ::chown(path.constData(), 0, gid) == 0 && ::chmod(path.constData(), mode) == 0;
}

// While it lives, this process (all its threads) acts as the user nobody,
// without supplementary groups; then it is root again. Only a process running
// as root can do that: Active() says whether it did.
class TUnprivileged {
public:
    TUnprivileged()
    {
        if (::geteuid() != 0)
            return;
        fGroups.resize(size_t(::getgroups(0, nullptr)));
        ::getgroups(int(fGroups.size()), fGroups.data());
        fActive = ::setgroups(0, nullptr) == 0 && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        if (!fActive)
            Restore();
    }
    ~TUnprivileged()
    {
        if (fActive)
            Restore();
    }
    TUnprivileged(const TUnprivileged &) = delete;
    TUnprivileged &operator=(const TUnprivileged &) = delete;

    bool Active() const { return fActive; }

private:
    void Restore()
    {
        // Restoring root cannot fail once the saved user id is root.
        (void)::seteuid(0);
        (void)::setegid(0);
        (void)::setgroups(fGroups.size(), fGroups.data());
    }

    std::vector<gid_t> fGroups;
    bool fActive = false;
};
