#include "link/netaddress.h"

#include "config/messages.h"

#include <QHostAddress>
#include <algorithm>

namespace {
struct TScheme {
    const char *Prefix;
    TNetAddress::Transport Carrier;
};
constexpr TScheme kSchemes[] = {{"tcp://", TNetAddress::Transport::Tcp},
                                {"rfc2217://", TNetAddress::Transport::Rfc2217},
                                {"tls://", TNetAddress::Transport::Tls}};

bool HostNameCharacters(const QString &host)
{
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_'))
            return false;
    }
    return true;
}
}

bool IsNetworkAddress(const QString &name)
{
    return name.contains(QLatin1String("://"));
}

bool ParseNetAddress(const QString &text, TNetAddress &address, QString &why)
{
    const auto refuse = [&](const QString &reason) {
        why = Fmt(Msg::NetAddressMalformed, text, reason);
        return false;
    };
    const TScheme *scheme = nullptr;
    for (const TScheme &candidate : kSchemes) {
        if (text.startsWith(QLatin1String(candidate.Prefix), Qt::CaseInsensitive))
            scheme = &candidate;
    }
    if (!scheme)
        return refuse(QString::fromUtf8(Msg::NetAddressExpected));
    const QString rest = text.mid(int(qstrlen(scheme->Prefix)));
    QString host;
    QString port;
    if (rest.startsWith(u'[')) {
        const int close = rest.indexOf(u']');
        if (close < 0 || rest.mid(close + 1, 1) != QLatin1String(":"))
            return refuse(QString::fromUtf8(Msg::NetAddressExpected));
        host = rest.mid(1, close - 1);
        port = rest.mid(close + 2);
        if (!host.isEmpty() && QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return refuse(Fmt(Msg::NetAddressBadHost, host));
    } else {
        const int colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return refuse(QString::fromUtf8(Msg::NetAddressExpected));
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (host.contains(u':')) // IPv6 without brackets: its port cannot be told apart
            return refuse(QString::fromUtf8(Msg::NetAddressExpected));
        if (!HostNameCharacters(host))
            return refuse(Fmt(Msg::NetAddressBadHost, host));
    }
    if (host.isEmpty())
        return refuse(QString::fromUtf8(Msg::NetAddressNoHost));
    const bool digits = !port.isEmpty() && port.size() <= 5
        && std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const uint value = digits ? port.toUInt() : 0;
    if (value < 1 || value > 65535)
        return refuse(QString::fromUtf8(Msg::NetAddressBadPort));
    address.Carrier = scheme->Carrier;
    address.Host = host;
    address.Port = quint16(value);
    return true;
}
