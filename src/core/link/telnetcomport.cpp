#include "link/telnetcomport.h"

#include <initializer_list>

namespace {
constexpr quint8 IAC = 255;
constexpr quint8 DONT = 254;
constexpr quint8 DO = 253;
constexpr quint8 WONT = 252;
constexpr quint8 WILL = 251;
constexpr quint8 SB = 250;
constexpr quint8 SE = 240;

constexpr quint8 OptBinary = 0;
constexpr quint8 OptSuppressGoAhead = 3;
constexpr quint8 OptComPort = 44;

// COM port commands, client to server; the server answers each with the
// command plus ServerOffset.
constexpr quint8 SetBaudRate = 1;
constexpr quint8 SetDataSize = 2;
constexpr quint8 SetParity = 3;
constexpr quint8 SetStopSize = 4;
constexpr quint8 SetControl = 5;
constexpr quint8 PurgeData = 12;
constexpr quint8 ServerOffset = 100;

constexpr quint8 ParityNone = 1;
constexpr quint8 OneStopBit = 1;
constexpr quint8 NoFlowControl = 1;
constexpr quint8 NoInboundFlowControl = 14;
constexpr quint8 DtrOff = 9;
constexpr quint8 RtsOff = 12;
constexpr quint8 PurgeBothBuffers = 3;

QByteArray Bytes(std::initializer_list<quint8> values)
{
    QByteArray bytes;
    for (const quint8 value : values)
        bytes += char(value);
    return bytes;
}

QByteArray Verb(quint8 verb, quint8 option)
{
    return Bytes({IAC, verb, option});
}

QByteArray ComPortCommand(quint8 command, const QByteArray &value)
{
    QByteArray sub = Bytes({IAC, SB, OptComPort, command});
    for (const char c : value) {
        sub += c;
        if (quint8(c) == IAC)
            sub += c;
    }
    return sub + Bytes({IAC, SE});
}

QByteArray Byte(quint8 value)
{
    return QByteArray(1, char(value));
}

// The controller's line settings, each confirmed by the server.
QByteArray LineSettings()
{
    constexpr quint32 baud = 115200;
    const QByteArray rate = Bytes({quint8(baud >> 24), quint8(baud >> 16), quint8(baud >> 8), quint8(baud)});
    return ComPortCommand(SetBaudRate, rate) + ComPortCommand(SetDataSize, Byte(8))
        + ComPortCommand(SetParity, Byte(ParityNone)) + ComPortCommand(SetStopSize, Byte(OneStopBit))
        + ComPortCommand(SetControl, Byte(NoFlowControl)) + ComPortCommand(SetControl, Byte(NoInboundFlowControl))
        + ComPortCommand(SetControl, Byte(DtrOff)) + ComPortCommand(SetControl, Byte(RtsOff));
}

bool Wanted(quint8 option)
{
    return option == OptBinary || option == OptSuppressGoAhead;
}
}

std::array<TTelnetComPort::Agreement, 256> TTelnetComPort::Offers(bool local)
{
    std::array<Agreement, 256> offers{};
    offers.fill(Agreement::Off);
    offers[OptBinary] = Agreement::Offered;
    offers[OptSuppressGoAhead] = Agreement::Offered;
    if (local)
        offers[OptComPort] = Agreement::Offered;
    return offers;
}

QByteArray TTelnetComPort::Greeting()
{
    return Verb(WILL, OptBinary) + Verb(DO, OptBinary) + Verb(WILL, OptSuppressGoAhead)
        + Verb(DO, OptSuppressGoAhead) + Verb(WILL, OptComPort);
}

QByteArray TTelnetComPort::Escape(const QByteArray &data)
{
    if (!data.contains(char(IAC)))
        return data;
    QByteArray escaped;
    escaped.reserve(data.size() + 8);
    for (const char c : data) {
        escaped += c;
        if (quint8(c) == IAC)
            escaped += c;
    }
    return escaped;
}

QByteArray TTelnetComPort::PurgeBoth()
{
    return ComPortCommand(PurgeData, Byte(PurgeBothBuffers));
}

QByteArray TTelnetComPort::Take(const QByteArray &received, QByteArray &answers)
{
    QByteArray data;
    for (const char c : received) {
        const quint8 b = quint8(c);
        switch (fStage) {
        case Stage::Data:
            if (b == IAC)
                fStage = Stage::Command;
            else
                data += c;
            break;
        case Stage::Command:
            fStage = Stage::Data;
            if (b == IAC) {
                data += c; // an escaped 0xFF
            } else if (b == DO || b == DONT || b == WILL || b == WONT) {
                fVerb = b;
                fStage = Stage::Option;
            } else if (b == SB) {
                fSub.clear();
                fStage = Stage::Sub;
            } // other commands (NOP, go-ahead, ...) carry nothing here
            break;
        case Stage::Option:
            fStage = Stage::Data;
            Negotiate(fVerb, b, answers);
            break;
        case Stage::Sub:
            if (b == IAC)
                fStage = Stage::SubCommand;
            else
                fSub += c;
            break;
        case Stage::SubCommand:
            if (b == IAC) {
                fSub += c;
                fStage = Stage::Sub;
            } else {
                fStage = Stage::Data; // SE, or a broken subnegotiation: either ends it
                SubnegotiationEnded();
            }
            break;
        }
    }
    return data;
}

void TTelnetComPort::Negotiate(quint8 verb, quint8 option, QByteArray &answers)
{
    // Answer only what changes an agreement, so that the two sides cannot
    // answer each other for ever.
    if (verb == DO || verb == DONT) {
        Agreement &mine = fLocal[option];
        const bool comPort = option == OptComPort;
        if (verb == DO) {
            if (comPort || Wanted(option)) {
                if (mine == Agreement::Off)
                    answers += Verb(WILL, option);
                mine = Agreement::On;
                if (comPort && !fSettingsSent) {
                    answers += LineSettings();
                    fSettingsSent = true;
                }
            } else {
                answers += Verb(WONT, option);
            }
        } else {
            if (mine == Agreement::On)
                answers += Verb(WONT, option);
            mine = Agreement::Off;
            if (comPort && !fSettingsSent) {
                fDeclined = true;
                fSettled = true;
            }
        }
        return;
    }
    Agreement &theirs = fRemote[option];
    if (verb == WILL) {
        if (Wanted(option)) {
            if (theirs == Agreement::Off)
                answers += Verb(DO, option);
            theirs = Agreement::On;
        } else {
            answers += Verb(DONT, option);
        }
    } else {
        if (theirs == Agreement::On)
            answers += Verb(DONT, option);
        theirs = Agreement::Off;
    }
}

void TTelnetComPort::SubnegotiationEnded()
{
    if (fSub.size() < 2 || quint8(fSub[0]) != OptComPort)
        return;
    // The byte format and flow control are what the data need. DTR and RTS
    // are set too, but a device without modem lines does not confirm them.
    const int command = quint8(fSub[1]) - ServerOffset;
    if (command >= SetBaudRate && command <= SetControl)
        fConfirmed |= 1 << command;
    constexpr int needed = (1 << SetBaudRate) | (1 << SetDataSize) | (1 << SetParity) | (1 << SetStopSize)
        | (1 << SetControl);
    if (fConfirmed == needed)
        fSettled = true;
}
