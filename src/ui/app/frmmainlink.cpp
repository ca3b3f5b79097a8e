// The main window's part of the link: the connection switch, the status tick
// and the port choice.
#include "app/frmmain.h"

#include "app/frmnetworkbeacon.h"
#include "app/frmportsearch.h"
#include "config/appconfig.h"
#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "config/netsettings.h"
#include "history/recorder.h"
#include "link/dmcom.h"
#include "link/netaddress.h"
#include "link/portsearch.h"
#include "link/serialline.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <utility>

namespace {
// Replies slower than this are worth the operator's knowing.
constexpr int SlowReplyMs = 1000;
}

void TfrmMain::imgPortSwitchClick()
{
    TdmCOM &link = dmCOM();
    const TLinkWork work(*this);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // However the handler ends, the switch agrees with the port afterwards.
    const auto settle = qScopeGuard([this, &link] {
        QGuiApplication::restoreOverrideCursor();
        if (link.UniConnected()) {
            ShowSwitchPicture(true);
            fSwitchOn = true;
        } else {
            // The whole off state, not only the picture: a link lost while
            // the question after connecting was open must not leave the
            // link-dependent buttons enabled.
            EnterOffState();
        }
    });
    if (fSwitchOn)
        link.Close(); // the identity stays known until the next connection replaces it
    else
        SwitchOn();
}

void TfrmMain::SwitchOn()
{
    TdmCOM &link = dmCOM();
    ShowSwitchPicture(true);
    imgPortSwitch->repaint();

    QString port;
    QString whyNotFound;
    if (cbComPort->currentIndex() > 0) {
        port = cbComPort->CurrentPort();
    } else {
        link.Close();
        TfrmPortSearch &search = TfrmPortSearch::Instance();
        search.show();
        const auto hide = qScopeGuard([&search] { search.close(); });
        const TScanResult found = search.Scan();
        port = found.Port();
        whyNotFound = found.AccessText();
        SetLinkButtonsEnabled(false);
    }
    if (port.isEmpty()) {
        Messages().Error(whyNotFound.isEmpty() ? QString::fromUtf8(Msg::PortNotFound)
                                               : Msg::PortNotFound + QStringLiteral("\n\n") + whyNotFound);
        return;
    }

    try {
        link.SetPortName(port);
        link.Open();
        // Each connection's first identity reply goes into the register.
        History().NewConnection();
        disconnect(&link, &TdmCOM::IdentityReceived, this, nullptr);
        connect(&link, &TdmCOM::IdentityReceived, this, [this] {
            History().NoteIdentity(ConnectedController());
            ShowNetworkBeaconIdentity();
        });
        SetLinkControlEnabled(cbComPort, false);
        SelectConnectedPort(port);
        ShowSwitchPicture(true);
        fSwitchOn = true;
        // Asked before any identity has arrived; the poller runs meanwhile.
        const bool download = Messages().Confirm(Msg::ConnectedOfferDownload);
        if (!link.UniConnected()) {
            // Lost while the question was open. A download would reopen the
            // port behind the switch's back and fill the page with nothing.
            if (fSwitchOn) // the status tick has not seen it yet: report it as the tick does
                tmrInterfaceTimer();
            return;
        }
        if (download) {
            btnDownloadFromClick();
            btnPageNavClick(btnConnectedSystem);
        }
        SetLinkButtonsEnabled(true);
    } catch (const ELineOpenError &e) {
        const QString error = Fmt(Msg::CriticalCommError, e.Message());
        Messages().Error(e.Advice().isEmpty() ? error : error + QStringLiteral("\n\n") + e.Advice());
    } catch (...) {
        Messages().Error(Fmt(Msg::CriticalCommError, ExceptionText(std::current_exception())));
    }
}

void TfrmMain::EnterOffState()
{
    SetLinkControlEnabled(cbComPort, true);
    ShowSwitchPicture(false);
    fSwitchOn = false;
    SetLinkButtonsEnabled(false);
    UpdatePortList(); // ports may have come and gone while connected
}

void TfrmMain::ShowSwitchPicture(bool on)
{
    imgPortSwitch->setIcon(QIcon((on ? imgSwitchON : imgSwitchOFF)->pixmap()));
}

void TfrmMain::SetLinkButtonsEnabled(bool enabled)
{
    for (QPushButton *button : {btnUploadTo, btnDownloadFrom, btnDownloadEvents, btnRealTime, btnOverride, btnCompare})
        SetLinkControlEnabled(button, enabled);
}

QList<QWidget *> TfrmMain::LinkControls() const
{
    return {imgPortSwitch, cbComPort, btnUploadTo, btnDownloadFrom, btnDownloadEvents, btnRealTime, btnOverride,
            btnCompare};
}

void TfrmMain::SetLinkControlEnabled(QWidget *control, bool enabled)
{
    if (fLinkWork > 0)
        fHeldEnabled[control] = enabled;
    else
        control->setEnabled(enabled);
}

TfrmMain::TLinkWork::TLinkWork(TfrmMain &window) : fWindow(window)
{
    if (fWindow.fLinkWork++ > 0)
        return;
    for (QWidget *control : fWindow.LinkControls()) {
        fWindow.fHeldEnabled[control] = control->isEnabled();
        control->setEnabled(false);
    }
}

TfrmMain::TLinkWork::~TLinkWork()
{
    if (--fWindow.fLinkWork > 0)
        return;
    for (QWidget *control : fWindow.LinkControls())
        control->setEnabled(fWindow.fHeldEnabled.value(control));
    fWindow.fHeldEnabled.clear();
    if (std::exchange(fWindow.fCloseWhenIdle, false)) // once the handler that did the work has returned
        QMetaObject::invokeMethod(&fWindow, &QWidget::close, Qt::QueuedConnection);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (fLinkWork > 0) {
        fCloseWhenIdle = true;
        dmCOM().Abort(); // only the event-log download can be aborted
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TfrmMain::SelectConnectedPort(const QString &port)
{
    // Discovery lists the ports anew; one that appeared after the start is
    // added rather than leaving the box blank.
    cbComPort->ShowPort(port);
}

void TfrmMain::ShowNetworkBeaconIdentity()
{
    const TdmCOM &link = dmCOM();
    if (!IsNetworkAddress(link.PortName()) || link.SignSerial().isEmpty())
        return;
    cbComPort->ShowBeacon({link.PortName(), link.SignSerial()});
}

void TfrmMain::tmrInterfaceTimer()
{
    const TdmCOM &link = dmCOM();
    if (link.UniConnected()) {
        const int replyMs = link.LastReplyMs();
        StatusBar->SetPanelText(0, replyMs > SlowReplyMs
                                       ? Fmt(Msg::StatusConnectedSlow, link.PortName(),
                                             QLocale().toString(replyMs / 1000.0, 'f', 1))
                                       : Fmt(Msg::StatusConnectedToPort, link.PortName()));
        StatusBar->SetPanelText(4, Fmt(Msg::StatusRetries, int(link.AttemptCount()), TdmCOM::MaxAttempts));
        if (!link.SignSerial().isEmpty()) {
            StatusBar->SetPanelText(1, Fmt(Msg::StatusSerialNumber, link.SignSerial()));
            StatusBar->SetPanelText(2, Fmt(Msg::StatusFirmware, link.SignFirmwareVer()));
            StatusBar->SetPanelText(3, Fmt(Msg::StatusBoard, link.SignBoardVer()));
        }
    } else {
        StatusBar->SetPanelText(0, Msg::StatusPortDisconnected);
        for (int panel = 1; panel < StatusBar->PanelCount(); ++panel)
            StatusBar->SetPanelText(panel, QString());
        if (fSwitchOn) {
            // Switched off first, so a tick during the message finds the
            // switch off and does not report the loss again. An operation
            // that lost the line has already said so, naming the port.
            imgPortSwitchClick();
            if (!dmCOM().TakeLossReported())
                Messages().Error(Msg::ConnectionLost);
        }
    }
    // The switch rather than the port box, which link work also disables.
    if (fSwitchOn) {
        // The event-log download keeps what the switch gave it.
        const bool identified = !link.SignSerial().isEmpty();
        for (QPushButton *button : {btnDownloadFrom, btnUploadTo, btnRealTime, btnOverride, btnCompare})
            SetLinkControlEnabled(button, identified);
    }
}

void TfrmMain::cbComPortChange()
{
    if (cbComPort->NetworkEntryShown()) {
        // "Network Beacon…" asks for an address; meanwhile, and without one,
        // the box shows what it showed before.
        const QString previous = cbComPort->PreviousPort();
        cbComPort->ShowPort(previous);
        const QString address = frmNetworkBeacon->Ask(previous);
        if (address.isEmpty())
            return;
        cbComPort->ShowPort(address);
    }
    // "Autodetect" is no port to remember. An adapter's stable name finds it
    // again when it comes back under another number.
    if (cbComPort->currentIndex() <= 0)
        return;
    const QString port = cbComPort->CurrentPort();
    const QString stable = IsNetworkAddress(port) ? QString() : StableNameOf(port);
    AppConfig().SetPortName(stable.isEmpty() ? port : stable);
}

void TfrmMain::UpdatePortList()
{
    // While connected the box shows the port in use.
    if (fSwitchOn)
        return;
    cbComPort->SetPorts(ListPorts(), cbComPort->CurrentPort(), RememberedNetworkBeacons());
}
