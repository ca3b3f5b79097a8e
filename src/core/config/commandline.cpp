#include "config/commandline.h"

#include "config/version.h"

#include <QCommandLineParser>

#include <QList>
#include <QStringList>
#include <cstdio>

namespace {
// The part of roff the manual pages are written in: .SH sections, .PP
// paragraphs, .TP entries, .RS/.RE indents, .nf/.fi unfilled lines, .br and
// the font macros (.B, .I, .BR, .BI, ...); fonts print as plain text.
struct TBlock {
    int depth = 0; // .RS levels
    bool tagged = false;
    QString tag;
    QString text;      // filled: words, with '\n' where .br breaks the line
    QStringList lines; // unfilled, as written
};

struct TSection {
    QString name;
    QList<TBlock> blocks;
};

// What a terminal shows for the escapes the pages use: "\-" a hyphen, "\\"
// and "\e" a backslash; "\&" and font changes ("\fB") show nothing.
QString Plain(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const QChar escape = text[++i];
        if (escape == u'f')
            ++i; // the font's letter
        else if (escape == u'e')
            out += u'\\';
        else if (escape != u'&')
            out += escape;
    }
    return out;
}

// A macro's arguments: separated by blanks, a quoted one may hold blanks ("" a quote).
QStringList Arguments(QStringView line)
{
    QStringList arguments;
    QString current;
    bool open = false, quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c != u'"')
                current += c;
            else if (i + 1 < line.size() && line[i + 1] == u'"')
                current += line[++i];
            else
                quoted = false;
        } else if (c == u' ' || c == u'\t') {
            if (open)
                arguments << current;
            current.clear();
            open = false;
        } else if (c == u'"' && !open) {
            quoted = open = true;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        arguments << current;
    return arguments;
}

QList<TSection> Parse(const QString &page)
{
    QList<TSection> sections;
    bool fill = true, wantTag = false, blockOpen = false;
    int depth = 0;
    const auto block = [&]() -> TBlock & {
        if (sections.isEmpty())
            sections.append(TSection{});
        if (!blockOpen) {
            sections.last().blocks.append(TBlock());
            sections.last().blocks.last().depth = depth;
        }
        blockOpen = true;
        return sections.last().blocks.last();
    };
    const auto text = [&](const QString &line) {
        if (wantTag) {
            block().tag = line;
            wantTag = false;
        } else if (!fill) {
            block().lines << line;
        } else {
            TBlock &b = block();
            if (!b.text.isEmpty() && !b.text.endsWith(u'\n'))
                b.text += u' ';
            b.text += line.simplified();
        }
    };
    for (const QString &line : page.split(u'\n')) {
        if (!line.startsWith(u'.')) {
            if (!line.trimmed().isEmpty())
                text(Plain(line));
            continue;
        }
        const qsizetype blank = line.indexOf(u' ');
        const QString macro = line.mid(1, blank < 0 ? -1 : blank - 1);
        const QStringList arguments = Arguments(blank < 0 ? QStringView() : QStringView(line).mid(blank + 1));
        if (macro == QLatin1String("B") || macro == QLatin1String("I")) {
            text(Plain(arguments.join(u' ')));
        } else if (macro.size() == 2 && QStringLiteral("BIR").contains(macro[0]) &&
                   QStringLiteral("BIR").contains(macro[1])) {
            text(Plain(arguments.join(QString())));
        } else if (macro == QLatin1String("br")) {
            if (blockOpen && fill)
                block().text += u'\n';
        } else {
            blockOpen = false;
            if (macro == QLatin1String("SH"))
                sections.append(TSection{Plain(arguments.join(u' ')), {}});
            else if (macro == QLatin1String("TP"))
                block().tagged = wantTag = true;
            else if (macro == QLatin1String("RS"))
                ++depth;
            else if (macro == QLatin1String("RE"))
                depth = qMax(0, depth - 1);
            else if (macro == QLatin1String("nf") || macro == QLatin1String("fi"))
                fill = macro == QLatin1String("fi");
        }
    }
    return sections;
}

// Appends text as lines of at most width columns: the first after prefix,
// the others indented; '\n' starts a line. A word longer than a line stands alone.
void Wrap(QString &out, const QString &prefix, int indent, const QString &text, int width)
{
    QString line = prefix;
    bool empty = true; // no word on the line yet
    const auto end = [&] {
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + u'\n';
        line = QString(indent, u' ');
        empty = true;
    };
    QStringList parts = text.split(u'\n', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        parts << QString(); // the prefix alone
    for (const QString &part : parts) {
        for (const QString &word : part.split(u' ', Qt::SkipEmptyParts)) {
            if (!empty && line.size() + 1 + word.size() > width)
                end();
            if (!empty)
                line += u' ';
            line += word;
            empty = false;
        }
        end();
    }
}

// The synopsis: "Usage: " before the first line, the others under it; a
// line too long goes on further in, broken between bracketed options.
void Usage(QString &out, const TSection &section, int width)
{
    constexpr QChar Joined(0xA0); // a blank inside brackets, where no line breaks
    QStringList lines;
    for (const TBlock &b : section.blocks)
        lines << b.lines << b.text.split(u'\n', Qt::SkipEmptyParts);
    QString prefix = QStringLiteral("Usage: ");
    QString usage;
    for (QString line : lines) {
        int depth = 0;
        for (QChar &c : line) {
            depth += c == u'[' ? 1 : c == u']' ? -1 : 0;
            if (depth > 0 && c == u' ')
                c = Joined;
        }
        Wrap(usage, prefix, int(prefix.size()) + 10, line, width);
        prefix.fill(u' ');
    }
    out += usage.replace(Joined, u' ');
}

// The entries' texts start in one column: after the widest tag that is not
// too wide; a wider tag has a line of its own.
constexpr int WidestTag = 16;

void Body(QString &out, const TSection &section, int indent, int width)
{
    qsizetype widest = 0;
    for (const TBlock &b : section.blocks)
        if (b.tagged && b.tag.size() <= WidestTag)
            widest = qMax(widest, b.tag.size());
    const TBlock *previous = nullptr;
    for (const TBlock &b : section.blocks) {
        if (previous && !(b.tagged && previous->tagged))
            out += u'\n'; // entries follow one another, paragraphs stand apart
        previous = &b;
        const int left = indent + 4 * b.depth;
        const int column = left + int(widest) + 2;
        if (b.tagged) {
            QString prefix = QString(left, u' ') + b.tag;
            if (prefix.size() + 1 > column) {
                out += prefix + u'\n';
                prefix.clear();
            }
            Wrap(out, prefix.leftJustified(column), column, b.text, width);
        }
        for (const QString &line : b.lines)
            Wrap(out, QString(left, u' '), left + 4, line, width);
        if (!b.tagged && !b.text.isEmpty())
            Wrap(out, QString(left, u' '), left, b.text, width);
    }
}
}

QString ManualHelp(const char *page, int width)
{
    QString out;
    for (const TSection &section : Parse(QString::fromUtf8(page))) {
        if (section.name.isEmpty() || section.name == QLatin1String("NAME") || section.name == QLatin1String("SEE ALSO"))
            continue;
        if (section.name == QLatin1String("SYNOPSIS")) {
            Usage(out, section, width);
            continue;
        }
        if (!out.isEmpty())
            out += u'\n';
        if (section.name == QLatin1String("DESCRIPTION")) {
            Body(out, section, 0, width);
        } else {
            out += section.name + u'\n';
            Body(out, section, 2, width);
        }
    }
    return out;
}

std::optional<int> AnswerHelpOrVersion(const QCommandLineParser &parser, const char *program, const char *page)
{
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(ManualHelp(page).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", program, qPrintable(GetExeVersion()));
        return 0;
    }
    return std::nullopt;
}

int UsageError(const char *program, const QString &problem)
{
    std::fprintf(stderr, "%s: %s\nTry \"%s --help\" for more information.\n", program, qPrintable(problem), program);
    return ExitUsage;
}
