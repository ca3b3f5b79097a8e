#pragma once
#include <QString>

// Virtual serial ports: a program that plays a device on a pseudo-terminal
// (the controller simulator) registers the terminal under a short name while
// it runs. The name is a symbolic link to the terminal in VirtualPortFolder(),
// so any program can open it; beside it a lock file ".NAME.lock" holds the
// registering process's id and the terminal, and that process keeps a lock on
// it. The kernel releases the lock when the process ends, however it ends, so
// a link left by a killed program never counts: its terminal number may
// already belong to another terminal.

// The per-user folder of the links.
QString VirtualPortFolder();

// The name of the virtual port whose link path is path; empty for any other
// path or name.
QString VirtualPortNameOf(const QString &path);

// The terminal the virtual port name stands for while a live program holds
// it; an empty text for a name nobody holds (never registered, ended, or
// killed before it could remove its link).
QString VirtualPortDevice(const QString &name);

// A registration of device as the virtual port name, held while this object
// lives. A name that a killed program left behind is taken over; a name that
// a live program holds is refused.
class TVirtualPort {
public:
    // Throws Exception: a name that is not a plain file name, one the system
    // uses for a device in /dev, one held by a live program, or a folder where
    // nothing can be written.
    TVirtualPort(const QString &name, const QString &device);
    ~TVirtualPort();
    TVirtualPort(const TVirtualPort &) = delete;
    TVirtualPort &operator=(const TVirtualPort &) = delete;

    const QString &Name() const { return fName; }
    // The link's path.
    QString Path() const;
    // Removes the link and lets the name go now; nothing when done already.
    void Unregister();

private:
    QString fName;
    int fLock = -1;
};
