#pragma once
#include <QByteArray>
#include <QString>

// A pseudo-terminal in raw mode. The master side is ours; the slave device is
// what a serial port opens. We hold a slave descriptor of our own, so the
// line stays up while no client has it open (the master would otherwise
// report a hang-up) and its raw settings survive clients coming and going.
// Closing hangs the line up for the client.
class TPseudoTerminal {
public:
    TPseudoTerminal(); // throws std::runtime_error
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal &) = delete;
    TPseudoTerminal &operator=(const TPseudoTerminal &) = delete;

    int MasterFd() const { return fMaster; }
    const QString &SlavePath() const { return fSlavePath; }
    bool IsOpen() const { return fMaster >= 0; }
    void Close();

    // Writes all of data to the client; false when the line is gone.
    bool Write(const QByteArray &data);
    // What the client sent within waitMs (returns as soon as something is there).
    QByteArray Read(int waitMs);

private:
    int fMaster = -1;
    int fSlave = -1;
    QString fSlavePath;
};
