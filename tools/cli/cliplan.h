#pragma once
#include <QCommandLineParser>

// plan --in FILE.bcfg --from D --to D [--json] [--ics OUT.ics]: what the
// configuration of a settings file does on each date, as a table, one JSON
// document, or events for a calendar program. Needs no controller.
void PlanCommand(const QCommandLineParser &parser, bool json);
