#pragma once
// A simulated controller on a pseudo-terminal with a link module pointed at it.
// Test classes derive from it next to QObject.
#include "link/dmcom.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"

#include <QDir>
#include <QSet>
#include <memory>

class TSimulatedLine {
protected:
    std::unique_ptr<TBeaconSimulator> sim;
    std::unique_ptr<TdmCOM> dm;

    // A fresh controller and link module; the poller is off so only the test
    // talks on the line.
    void Start(const TSimOptions &options = {})
    {
        dm.reset();
        sim.reset(); // the name is one simulator's at a time
        sim = std::make_unique<TBeaconSimulator>(options);
        dm = std::make_unique<TdmCOM>();
        dm->tmrPortCheck.SetEnabled(false);
        dm->SetPortName(sim->PortName());
    }

    // A controller that leaves these commands unanswered; the reads give up
    // soon after the reply wait, so a failing step costs seconds less.
    void StartIgnoring(const QSet<quint8> &commands)
    {
        TSimOptions options;
        options.ignore = commands;
        Start(options);
        dm->SetReadTimeouts(250, 250, 250);
    }

    void StopLine()
    {
        dm.reset();
        sim.reset();
    }

    // What the controller answers to a request, asked of it directly.
    QByteArray Truth(quint8 cmd, const QByteArray &request)
    {
        QByteArray reply;
        sim->WithController([&](TBeaconController &c) { reply = c.Handle(cmd, request).value_or("none"); });
        return reply;
    }

    QByteArray LastSent() const
    {
        const QList<QByteArray> received = sim->Received();
        return received.isEmpty() ? QByteArray() : received.last();
    }

    // Registrations left behind by an earlier run that crashed.
    static void ClearVirtualPorts() { QDir(VirtualPortFolder()).removeRecursively(); }
};
