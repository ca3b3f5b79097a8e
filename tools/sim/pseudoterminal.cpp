#include "sim/pseudoterminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal()
{
    char name[256] = {};
    if (::openpty(&fMaster, &fSlave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    termios settings{};
    ::tcgetattr(fSlave, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B115200);
    ::tcsetattr(fSlave, TCSANOW, &settings);
    ::fcntl(fMaster, F_SETFD, FD_CLOEXEC);
    ::fcntl(fSlave, F_SETFD, FD_CLOEXEC);
    fSlavePath = QString::fromLocal8Bit(name);
}

TPseudoTerminal::~TPseudoTerminal()
{
    Close();
}

void TPseudoTerminal::Close()
{
    if (fMaster >= 0)
        ::close(fMaster);
    if (fSlave >= 0)
        ::close(fSlave);
    fMaster = fSlave = -1;
}

bool TPseudoTerminal::Write(const QByteArray &data)
{
    qsizetype done = 0;
    while (fMaster >= 0 && done < data.size()) {
        const ssize_t n = ::write(fMaster, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return done == data.size();
}

QByteArray TPseudoTerminal::Read(int waitMs)
{
    pollfd fd{fMaster, POLLIN, 0};
    if (fMaster < 0 || ::poll(&fd, 1, waitMs) <= 0 || !(fd.revents & POLLIN))
        return {};
    char buffer[4096];
    const ssize_t n = ::read(fMaster, buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}
