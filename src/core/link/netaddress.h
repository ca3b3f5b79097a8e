#pragma once
#include <QString>

// A controller behind a serial device server: how the bytes travel and where
// the server listens.
struct TNetAddress {
    enum class Transport { Tcp, Rfc2217, Tls };
    Transport Carrier = Transport::Tcp;
    QString Host; // a name, an IPv4 address, or an IPv6 address without brackets (with its %scope)
    quint16 Port = 0;
};

// Whether name is written as a network address (it has a "scheme://"), as
// opposed to a serial port's name or path.
bool IsNetworkAddress(const QString &name);

// Reads tcp://HOST:PORT, rfc2217://HOST:PORT or tls://HOST:PORT; an IPv6
// address goes in brackets: tcp://[fe80::1%eth0]:4001. Returns false and sets
// why, the operator's words for what is wrong, for anything else.
bool ParseNetAddress(const QString &text, TNetAddress &address, QString &why);
