#include "clicalendar.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "calendarimport/calendarimport.h"
#include "config/cp1252.h"
#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/localetext.h"

#include <QCommandLineParser>

namespace {
QDate DateOption(const QCommandLineParser &parser, const QString &name)
{
    if (!parser.isSet(name))
        return {};
    const QDate date = QDate::fromString(parser.value(name).trimmed(), Qt::ISODate);
    if (!date.isValid())
        Usage(Fmt(Msg::ImportDate, name));
    return date;
}

quint8 DayModeOption(const QCommandLineParser &parser)
{
    if (!parser.isSet(QStringLiteral("mode")))
        return TImportOptions().dayMode;
    const int mode = DayModeFromText(parser.value(QStringLiteral("mode")));
    if (mode < 0) {
        QStringList names;
        for (const char *name : Msg::DayModeNames)
            names << QStringLiteral("\"%1\"").arg(QString::fromUtf8(name));
        Usage(Fmt(Msg::ImportDayMode, parser.value(QStringLiteral("mode")), names.join(QStringLiteral(", "))));
    }
    return quint8(mode);
}

void PrintRecords(const QList<TCalendarRec> &records)
{
    if (records.isEmpty())
        return;
    const QLocale locale;
    QList<QStringList> rows{{"NAME", "FROM", "TO", "DAYS", "DAY MODE"}};
    for (const TCalendarRec &r : records) {
        const QDate first = DayNumToDate(r.DayNum);
        rows << QStringList{Printable(r.name), DateToText(first, locale), DateToText(first.addDays(r.Days - 1), locale),
                            QString::number(r.Days), DayModeText(r.DayMode)};
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row.at(i).size());
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i + 1 < row.size(); ++i)
            line += row.at(i).leftJustified(widths[i] + 2);
        PrintOut(line + row.last());
    }
}

void PrintNotes(const char *kind, const QList<TImportNote> &notes)
{
    if (notes.isEmpty())
        return;
    PrintOut(Fmt(Msg::ImportHeading, kind, notes.size()));
    for (const TImportNote &note : notes)
        PrintOut(QStringLiteral("  ") + Printable(note.text));
}
}

void CalendarImportCommand(const QCommandLineParser &parser)
{
    if (parser.positionalArguments().at(1) != QLatin1String("import"))
        Usage(QString::fromUtf8(Msg::ImportAction));
    const QString name = parser.value(QStringLiteral("name"));
    const QString refusal = Cp1252::NameRefusal(name);
    if (!refusal.isEmpty())
        Usage(Fmt(Msg::ImportNameRefused, refusal));
    TImportOptions options;
    options.from = DateOption(parser, QStringLiteral("from"));
    options.to = DateOption(parser, QStringLiteral("to"));
    options.dayMode = DayModeOption(parser);
    options.only = parser.value(QStringLiteral("only"));
    const QString file = parser.value(QStringLiteral("ics"));
    TImportResult result;
    Guard(ExitFile, [&] {
        const TSchoolCalendarFile ics(ReadInput(file), file);
        result = ics.Import(options);
    });
    PrintRecords(result.records);
    PrintNotes(Msg::ImportSkipped, result.skipped);
    PrintNotes(Msg::ImportMergedKind, result.merged);
    PrintNotes(Msg::ImportShortened, result.shortened);
    if (result.records.isEmpty())
        throw TFailure{ExitFile, Fmt(Msg::ImportNothing, file, DateInWords(result.from), DateInWords(result.to))};
    if (!DM().IsOpen())
        throw TFailure{ExitFile, DM().OpenError()};
    Guard(ExitFile, [&] {
        TCalendarList library;
        AddImportedCalendar(library, Cp1252::NameText(name), result.records);
    });
    PrintOut(Fmt(Msg::ImportCreated, Printable(name), result.records.size()));
    if (result.OverLimit())
        Messages().Warning(Fmt(Msg::ImportOverLimit, result.records.size(), TImportResult::MaxBeaconRecords));
}
