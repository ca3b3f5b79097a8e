#pragma once
// A program run as in a technician's terminal: its standard error on a real
// pseudo-terminal, of the kind TERM names, and what the terminal shows there.
#include "sim/pseudoterminal.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

struct TTerminalRun {
    int code = -1;
    QByteArray out;    // standard output, a pipe
    QByteArray screen; // everything written to the terminal
    // The terminal's lines as they stand last: a line rewritten in place
    // ("\r\033[K" and the new text) shows only its last text.
    QStringList Shown() const
    {
        QStringList lines;
        for (const QByteArray &line : screen.split('\n')) {
            const qsizetype rewritten = line.lastIndexOf("\033[K");
            QByteArray last = rewritten < 0 ? line : line.mid(rewritten + 3);
            last.replace('\r', QByteArray());
            if (!last.isEmpty())
                lines << QString::fromUtf8(last);
        }
        return lines;
    }
};

// term: the value of TERM, or empty for none; input: standard input.
inline TTerminalRun RunOnTerminal(const QString &program, const QStringList &arguments, const QString &term,
                                  const QByteArray &input = {})
{
    TPseudoTerminal terminal;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB")); // day-first dates, 24-hour clock
    if (term.isEmpty())
        env.remove(QStringLiteral("TERM"));
    else
        env.insert(QStringLiteral("TERM"), term);
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(terminal.SlavePath());
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    TTerminalRun run;
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 120000) {
        process.waitForFinished(50);
        run.screen += terminal.Read(0);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    for (QByteArray more; !(more = terminal.Read(100)).isEmpty();)
        run.screen += more;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    return run;
}
