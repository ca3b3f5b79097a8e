// What a device server sends through the Telnet layer, and the addresses an
// operator types. Checks:
//  - any bytes from a server, cut into pieces anywhere, give the same data
//    and the same answers as all at once;
//  - data escaped for sending come back whole through the layer;
//  - an address is read or refused with a reason, and one read is written
//    back to the same host and port.
#include "link/netaddress.h"
#include "link/telnetcomport.h"

#include <cstdio>
#include <cstdlib>

namespace {
QByteArray input;

void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\ninput: %s\n", what, input.toPercentEncoding(" ").constData());
    std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    input = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    if (input.isEmpty())
        return 0;
    const int cut = quint8(input[0]) % (input.size());
    const QByteArray bytes = input.mid(1);

    TTelnetComPort whole;
    QByteArray wholeAnswers;
    const QByteArray wholeData = whole.Take(bytes, wholeAnswers);
    TTelnetComPort pieces;
    QByteArray pieceAnswers;
    const QByteArray pieceData = pieces.Take(bytes.left(cut), pieceAnswers) + pieces.Take(bytes.mid(cut), pieceAnswers);
    Require(wholeData == pieceData && wholeAnswers == pieceAnswers, "pieces read otherwise than the whole");
    Require(whole.Settled() == pieces.Settled(), "pieces settle otherwise than the whole");

    TTelnetComPort echo;
    QByteArray ignored;
    Require(echo.Take(TTelnetComPort::Escape(bytes), ignored) == bytes, "escaped data do not come back whole");

    const QString text = QString::fromUtf8(bytes);
    TNetAddress address;
    QString why;
    if (ParseNetAddress(text, address, why)) {
        Require(!address.Host.isEmpty() && address.Port > 0, "an address read without host or port");
        const QString scheme = text.left(text.indexOf(QLatin1String("://")) + 3);
        const QString host = address.Host.contains(u':') ? u'[' + address.Host + u']' : address.Host;
        TNetAddress again;
        Require(ParseNetAddress(scheme + host + u':' + QString::number(address.Port), again, why)
                    && again.Host == address.Host && again.Port == address.Port && again.Carrier == address.Carrier,
                "an address read does not read again the same");
    } else {
        Require(!why.isEmpty(), "an address refused without a reason");
    }
    return 0;
}
