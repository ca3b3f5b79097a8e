#include "cliplan.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "plan/plan.h"
#include "plan/planics.h"
#include "transfer/advancedsettings.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdio>

namespace {
QDate ParseDate(const QCommandLineParser &parser, const QString &option)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString text = parser.value(option).trimmed();
    const QDate date = pattern.match(text).hasMatch() ? QDate::fromString(text, Qt::ISODate) : QDate();
    if (!date.isValid())
        Usage(Fmt(Msg::CliPlanDate, option));
    return date;
}

// A JSON string, quoted and escaped.
QString Quoted(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString DateText(const QDate &date)
{
    return Quoted(date.toString(Qt::ISODate));
}

// The document in the order a reader expects it, one date a line:
// {"from", "to", "days": [{"date", "weekday", "follows", "record", "on"}], "warnings": [{"date", "text"}]}.
QString PlanJson(const TPlan &plan)
{
    QString out = QStringLiteral("{\"from\": %1, \"to\": %2, \"days\": [").arg(DateText(plan.from), DateText(plan.to));
    for (int i = 0; i < plan.days.size(); ++i) {
        const TPlanDay &day = plan.days.at(i);
        QStringList on;
        for (const TPlanInterval &interval : day.on)
            on << QStringLiteral("[\"%1\", \"%2\"]").arg(PlanTimeText(interval.on), PlanTimeText(interval.off));
        out += QStringLiteral("%1\n{\"date\": %2, \"weekday\": %3, \"follows\": %4, \"record\": %5, \"on\": [%6]}")
                   .arg(i ? QStringLiteral(",") : QString(), DateText(day.date), Quoted(day.weekday), Quoted(day.follows),
                        day.record < 0 ? QStringLiteral("null") : QString::number(day.record),
                        on.join(QStringLiteral(", ")));
    }
    out += QStringLiteral("], \"warnings\": [");
    for (int i = 0; i < plan.warnings.size(); ++i)
        out += QStringLiteral("%1\n{\"date\": %2, \"text\": %3}")
                   .arg(i ? QStringLiteral(",") : QString(), DateText(plan.warnings.at(i).date),
                        Quoted(plan.warnings.at(i).text));
    return out + QStringLiteral("]}");
}

QString Column(const QString &text, int width)
{
    return text.leftJustified(width);
}

void PrintTable(const TPlan &plan, const QList<TCalendarRec> &calendar)
{
    PrintOut(Column(QStringLiteral("Date"), 12) + Column(QStringLiteral("Weekday"), 11) +
             Column(QStringLiteral("Follows"), 21) + Column(QStringLiteral("Record"), 21) + QStringLiteral("Flashing"));
    for (const TPlanDay &day : plan.days) {
        QStringList on;
        for (const TPlanInterval &interval : day.on)
            on << PlanTimeText(interval.on) + u'-' + PlanTimeText(interval.off);
        const QString record =
            day.record < 0 ? QString() : QStringLiteral("%1 %2").arg(day.record + 1).arg(calendar.at(day.record).name);
        const QString mark = WarningsOn(plan, day.date).isEmpty() ? QString() : QStringLiteral("  (!)");
        PrintOut((Column(day.date.toString(Qt::ISODate), 12) + Column(day.weekday, 11) + Column(day.follows, 21) +
                  Column(Printable(record), 21) + (on.isEmpty() ? QStringLiteral("dark") : on.join(QStringLiteral(", "))) +
                  mark)
                     .trimmed());
    }
    if (plan.warnings.isEmpty())
        return;
    PrintOut(QString());
    PrintOut(QStringLiteral("Warnings:"));
    for (const TPlanWarning &w : plan.warnings)
        PrintOut(w.date.toString(Qt::ISODate) + QStringLiteral("  ") + Printable(w.text));
}
}

void PlanCommand(const QCommandLineParser &parser, bool json)
{
    const QDate from = ParseDate(parser, QStringLiteral("from"));
    const QDate to = ParseDate(parser, QStringLiteral("to"));
    if (from > to)
        Usage(QString::fromUtf8(Msg::CliPlanRange));
    const QString ics = parser.value(QStringLiteral("ics"));
    if (ics == QLatin1String("-")) {
        if (json)
            Usage(QString::fromUtf8(Msg::CliPlanStdoutOnce));
        KeepStdoutForData();
    }
    const QString in = parser.value(QStringLiteral("in"));
    TBeaconConfiguration config;
    Guard(ExitFile, [&] {
        config = ReadSettingsText(ReadSettingsInput(in), TConfigParts{}, TAdvancedSettings(), QLocale::system());
    });
    const TPlan plan = MakePlan(config, from, to, QDate::currentDate());

    if (!ics.isEmpty()) {
        const QString name = in == QLatin1String("-") ? QStringLiteral("Beacon") : QFileInfo(in).completeBaseName();
        const QByteArray text = PlanIcsText(plan, config.Calendar, name, QDateTime::currentDateTimeUtc());
        Guard(ExitFile, [&] {
            WriteOutput(ics, [&](const QString &file) {
                QFile out(file);
                if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size())
                    throw Exception(Fmt(Msg::UnableToWrite, file));
            });
        });
    }
    if (json) {
        std::fputs((PlanJson(plan) + u'\n').toUtf8().constData(), stdout);
        std::fflush(stdout);
    }
    else if (ics != QLatin1String("-"))
        PrintTable(plan, config.Calendar);
}
