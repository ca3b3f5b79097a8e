#pragma once
// "audit": what a controller did, from its archived events, against what
// the configurations recorded for it planned.
class QCommandLineParser;

void AuditCommand(const QCommandLineParser &parser);
