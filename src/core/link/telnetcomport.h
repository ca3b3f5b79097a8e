#pragma once
#include <QByteArray>
#include <array>

// The client side of Telnet with the COM Port Control option (RFC 854,
// RFC 2217): a device server speaking it carries the controller's bytes, and
// takes the serial line's settings and buffer purges from the client.
//
// Data are sent and received in binary mode, with 0xFF doubled. The client
// offers binary mode, suppress-go-ahead and the COM port option, and once the
// server takes the option, sets the controller's line: 115200 baud, 8 data
// bits, no parity, 1 stop bit, no flow control, DTR and RTS off. Any other
// option is declined.
class TTelnetComPort {
public:
    // What the client sends first.
    static QByteArray Greeting();
    // data made ready to send.
    static QByteArray Escape(const QByteArray &data);
    // Asks the server to discard its buffers in both directions.
    static QByteArray PurgeBoth();

    // Takes bytes received in any pieces and returns the data among them;
    // what the client must send in answer is appended to answers.
    QByteArray Take(const QByteArray &received, QByteArray &answers);
    // True once the server has confirmed the line's byte format and flow
    // control, or declined the COM port option (it then keeps its own
    // settings).
    bool Settled() const { return fSettled; }
    // True when the server declined the COM port option.
    bool Declined() const { return fDeclined; }

private:
    enum class Stage { Data, Command, Option, Sub, SubCommand };
    enum class Agreement : quint8 { Off, Offered, On };
    void Negotiate(quint8 verb, quint8 option, QByteArray &answers);
    void SubnegotiationEnded();

    Stage fStage = Stage::Data;
    quint8 fVerb = 0;
    QByteArray fSub;
    std::array<Agreement, 256> fLocal = Offers(true); // the options this side performs
    std::array<Agreement, 256> fRemote = Offers(false); // the options the server performs
    int fConfirmed = 0; // a bit for each setting command the server has confirmed
    bool fSettingsSent = false;
    bool fSettled = false;
    bool fDeclined = false;

    // The options the greeting offers, on this side (local) or asked of the server.
    static std::array<Agreement, 256> Offers(bool local);
};
