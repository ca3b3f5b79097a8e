// --help laid out from a manual page: the parts of roff the pages use, and
// the lines a terminal shows.
#include "config/commandline.h"

#include <QtTest>

class TestManualHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pagesAsPlainText_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("help");

        QTest::newRow("synopsis, description, left-out sections")
            << ".TH T 1 \"@DATE@\"\n.SH NAME\nt \\- a tool\n.SH SYNOPSIS\n.nf\n.B t \\fR[\\fB\\-\\-json\\fR]\n"
               ".BI \"t \\-\\-port \" DEVICE \" read \\fR[\\fB\\-\\-parts \\fILIST\\fR]\"\n.fi\n"
               ".SH DESCRIPTION\n.B t\nreads\n.RI ( .bcfg )\nfiles.\n.SH SEE ALSO\n.BR u (1)\n"
            << 40
            << "Usage: t [--json]\n       t --port DEVICE read\n                 [--parts LIST]\n\nt reads (.bcfg) "
               "files.\n";
        QTest::newRow("entries in one column, a wide tag on a line of its own")
            << ".SH OPTIONS\n.TP\n.BR \\-h \", \" \\-\\-help\nPrint this and exit.\n.TP\n"
               ".BI \\-\\-damage \" kind\" : n\nDamage every\n.IR n th\nreply.\n.TP\n"
               ".B \\-\\-a\\-very\\-long\\-option\\-name\nText.\n"
            << 40
            << "OPTIONS\n  -h, --help       Print this and exit.\n  --damage kind:n  Damage every nth\n"
               "                   reply.\n  --a-very-long-option-name\n                   Text.\n";
        QTest::newRow("paragraphs, indents, breaks and escapes")
            << ".SH EXAMPLES\nFirst \\e and \\\\x1b\\&.\n.PP\n.RS\n.B sudo \\-x\n.RE\n.PP\nlast\n.br\nline\n"
               ".SH EXIT STATUS\n.TP\n.B 0\ndone\n.TP\n.B 64\nbad \"usage\"\n"
            << 79
            << "EXAMPLES\n  First \\ and \\x1b.\n\n      sudo -x\n\n  last\n  line\n\nEXIT STATUS\n  0   done\n"
               "  64  bad \"usage\"\n";
    }

    void pagesAsPlainText()
    {
        QFETCH(QString, page);
        QFETCH(int, width);
        QFETCH(QString, help);
        QCOMPARE(ManualHelp(page.toUtf8().constData(), width), help);
    }
};

QTEST_APPLESS_MAIN(TestManualHelp)
#include "tst_manualhelp.moc"
