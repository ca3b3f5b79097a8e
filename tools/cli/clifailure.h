#pragma once
#include "config/commandline.h"
#include "config/exceptions.h"
#include "config/messages.h"

#include <QString>

// The tool's exit statuses, as its manual page lists them; a bad command
// line ends with ExitUsage, as in every program of the suite.
enum ExitCode {
    ExitDone = 0,
    ExitPort = 2,
    ExitNoAnswer = 3,
    ExitFile = 4,
    ExitRefused = 5,
    ExitDifferent = 6,
    ExitInterrupted = 130, // as a shell reports a program ended by Ctrl-C
};

// A command that cannot go on: the text (already shown when empty) and the exit status.
struct TFailure {
    int code = ExitDone;
    QString text;
};

// Runs work and turns the program's errors into a failure with the given status.
template <typename Work>
void Guard(int code, Work &&work)
{
    try {
        work();
    } catch (const Exception &e) {
        throw TFailure{code, e.Message()};
    }
}

[[noreturn]] inline void Usage(const QString &text)
{
    throw TFailure{ExitUsage, Fmt(Msg::CliTryHelp, text)};
}
