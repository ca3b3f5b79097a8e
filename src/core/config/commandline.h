#pragma once
// What the four programs (the window, pvbcs-cli, pvbcs-beacon-sim and
// pvbcs-initdb) share on the command line.
#include <QString>

#include <optional>

class QCommandLineParser;

// The exit status of every program for a command line it cannot take, as
// sysexits.h names it (EX_USAGE); no program uses it for anything else.
inline constexpr int ExitUsage = 64;

// The text of --help: the program's manual page (roff for man, compiled into
// the program from the page that is installed) laid out as plain text lines
// of at most width columns. The page is the one source of both, so they
// cannot say different things. The synopsis becomes "Usage: ...", the
// description follows without its heading, every other section keeps its
// heading; NAME and SEE ALSO are left out.
QString ManualHelp(const char *page, int width = 79);

// Answers --help (the manual page as text) and --version on standard output;
// the status to end with, or nothing when neither was asked.
std::optional<int> AnswerHelpOrVersion(const QCommandLineParser &parser, const char *program, const char *page);

// Says a command line's problem on standard error, with where to read more;
// returns ExitUsage.
int UsageError(const char *program, const QString &problem);
