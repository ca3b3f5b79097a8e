#pragma once
// The fleet's visits from the command line: one beacon's, and the sweep that
// runs them in worker processes, several at once.
#include <QCommandLineParser>

// fleet visit NAME [--sync-clock] [--upload-assigned [--verify]] [--json]:
// visits the beacon at its address and prints what the visit found and did;
// Ctrl-C stops it between steps. The exit status as the sweep's for one beacon.
int VisitCommand(const QCommandLineParser &parser, bool json);
// fleet sweep [--tag T] [--jobs N] [--sync-clock] [--upload-assigned
// [--verify]] [--json] [NAME ...]: visits every beacon with an address (or
// those named), each in a worker process of its own, up to N at once; a line
// per beacon as it ends, then the total. Exits done only when every beacon
// was reached and is as assigned; different when all were reached; no answer
// when any was not; interrupted after Ctrl-C, which lets the running visits
// end their step and starts no more.
int SweepCommand(const QCommandLineParser &parser, bool json);
