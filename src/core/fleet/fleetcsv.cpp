#include "fleet/fleetcsv.h"

#include "config/messages.h"
#include "fleet/fleetmessages.h"
#include "store/datamodule.h"

#include <QHash>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace {
enum TColumn { Name, Serial, Site, Address, Tags, Location, Notes, Assigned, LastContact, ColumnCount };

// One record of the file and the line it starts on.
struct TRecord {
    int Line = 0;
    QStringList Fields;
};

QString Guarded(const QString &field)
{
    static const QString risky = QStringLiteral("=+-@\t\r'");
    return !field.isEmpty() && risky.contains(field.front()) ? u'\'' + field : field;
}

QString Quoted(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    QString quoted = field;
    return u'"' + quoted.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

[[noreturn]] void Refuse(const QString &fileName, int line, const QString &why)
{
    throw Exception(Fmt(Msg::FleetCsvLine, line, fileName, why));
}

// RFC 4180: fields separated by commas, records by CRLF or LF; a quoted field
// holds commas, line breaks and doubled quotes. Records of empty fields only
// (a spreadsheet's blank rows) are left out.
QList<TRecord> ReadRecords(const QString &text, const QString &fileName)
{
    QList<TRecord> records;
    TRecord record{1, {}};
    QString field;
    bool pending = false; // the record has begun
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto endRecord = [&] {
        record.Fields << field;
        field.clear();
        const bool blank = std::all_of(record.Fields.cbegin(), record.Fields.cend(),
                                       [](const QString &f) { return f.isEmpty(); });
        if (!blank)
            records.append(record);
        record = {line, {}};
        pending = false;
    };
    while (i < n) {
        pending = true;
        if (text.at(i) == u'"' && field.isEmpty()) {
            const int start = line;
            bool closed = false;
            for (++i; i < n; ++i) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        field += u'"';
                        ++i;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                if (text.at(i) == u'\n')
                    ++line;
                field += text.at(i);
            }
            if (!closed)
                Refuse(fileName, start, QString::fromUtf8(Msg::FleetCsvOpenQuote));
            if (i < n && text.at(i) != u',' && text.at(i) != u'\n' &&
                !(text.at(i) == u'\r' && i + 1 < n && text.at(i + 1) == u'\n'))
                Refuse(fileName, line, QString::fromUtf8(Msg::FleetCsvQuote));
            continue;
        }
        const QChar c = text.at(i);
        if (c == u',') {
            record.Fields << field;
            field.clear();
            ++i;
        } else if (c == u'\n' || (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')) {
            i += c == u'\r' ? 2 : 1;
            ++line;
            endRecord();
        } else if (c == u'"') {
            Refuse(fileName, line, QString::fromUtf8(Msg::FleetCsvQuote));
        } else {
            field += c;
            ++i;
        }
    }
    if (pending)
        endRecord();
    return records;
}

QString Unguarded(const QString &field)
{
    return field.startsWith(u'\'') ? field.mid(1) : field;
}

}

QStringList ParseTags(const QString &text)
{
    QStringList tags;
    for (const QString &tag : text.split(u','))
        if (!tag.trimmed().isEmpty())
            tags << tag.trimmed();
    return tags;
}

QStringList FleetColumns()
{
    return {QStringLiteral("name"), QStringLiteral("serial"), QStringLiteral("site"), QStringLiteral("address"),
            QStringLiteral("tags"), QStringLiteral("location"), QStringLiteral("notes"), QStringLiteral("assigned"),
            QStringLiteral("last_contact")};
}

QString LocationText(double latitude, double longitude)
{
    return QString::number(latitude, 'g', QLocale::FloatingPointShortest) + u',' +
           QString::number(longitude, 'g', QLocale::FloatingPointShortest);
}

bool ParseLocation(const QString &text, double &latitude, double &longitude)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        return false;
    bool okLatitude = false, okLongitude = false;
    latitude = parts.at(0).trimmed().toDouble(&okLatitude);
    longitude = parts.at(1).trimmed().toDouble(&okLongitude);
    return okLatitude && okLongitude && std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180;
}

QStringList FleetFields(const TFleetBeacon &beacon, const QDateTime &lastContact)
{
    return {beacon.Name,
            beacon.Serial,
            beacon.Site,
            beacon.Address,
            beacon.Tags.join(u','),
            beacon.HasLocation ? LocationText(beacon.Latitude, beacon.Longitude) : QString(),
            beacon.Notes,
            beacon.AssignedName,
            lastContact.isValid() ? lastContact.toUTC().toString(Qt::ISODate) : QString()};
}

QByteArray FleetCsvText(const QList<QStringList> &rows)
{
    QString text = FleetColumns().join(u',') + QStringLiteral("\r\n");
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &field : row)
            fields << Quoted(Guarded(field));
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

TFleetImport ImportFleetCsv(TDM &dm, const QByteArray &bytes, const QString &fileName)
{
    // Line by line, to name the line: no UTF-8 sequence holds a line feed.
    QString text;
    const QList<QByteArray> byteLines = bytes.split('\n');
    for (qsizetype i = 0; i < byteLines.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        text += decoder.decode(byteLines.at(i));
        if (decoder.hasError())
            Refuse(fileName, int(i) + 1, QString::fromUtf8(Msg::FleetCsvNotUtf8));
        if (i + 1 < byteLines.size())
            text += u'\n';
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QList<TRecord> records = ReadRecords(text, fileName);
    if (records.isEmpty())
        Refuse(fileName, 1, QString::fromUtf8(Msg::FleetCsvNoHeader));

    // Which column of the file each of ours is in, -1 when left out.
    QList<int> at(ColumnCount, -1);
    const QStringList header = records.first().Fields;
    const QStringList known = FleetColumns();
    for (int i = 0; i < header.size(); ++i) {
        const qsizetype column = known.indexOf(header.at(i).trimmed().toLower());
        if (column < 0)
            Refuse(fileName, records.first().Line, Fmt(Msg::FleetCsvUnknownColumn, header.at(i)));
        if (at[column] >= 0)
            Refuse(fileName, records.first().Line, Fmt(Msg::FleetCsvColumnTwice, header.at(i)));
        at[column] = i;
    }
    if (at[Name] < 0)
        Refuse(fileName, records.first().Line, QString::fromUtf8(Msg::FleetCsvNoNameColumn));

    TFleetImport result;
    dm.InTransaction([&] {
        TFleetInventory inventory(dm);
        QHash<QString, TFleetBeacon> fleet;
        for (const TFleetBeacon &b : inventory.Beacons())
            fleet.insert(b.Name, b);
        QList<TFleetBeacon> beacons;
        QList<int> lines;
        for (qsizetype r = 1; r < records.size(); ++r) {
            const TRecord &record = records.at(r);
            if (record.Fields.size() != header.size())
                Refuse(fileName, record.Line, Fmt(Msg::FleetCsvFieldCount, record.Fields.size(), header.size()));
            const auto value = [&](TColumn column) { return Unguarded(record.Fields.at(at[column])); };
            const QString name = value(Name);
            TFleetBeacon b = fleet.value(name);
            b.Name = name;
            const auto take = [&](TColumn column, QString &field) {
                if (at[column] >= 0)
                    field = value(column);
            };
            take(Serial, b.Serial);
            take(Site, b.Site);
            take(Address, b.Address);
            take(Notes, b.Notes);
            if (at[Tags] >= 0)
                b.Tags = ParseTags(value(Tags));
            if (at[Location] >= 0) {
                const QString location = value(Location);
                b.HasLocation = !location.trimmed().isEmpty();
                if (b.HasLocation && !ParseLocation(location, b.Latitude, b.Longitude))
                    Refuse(fileName, record.Line, Fmt(Msg::FleetCsvLocation, location));
            }
            if (fleet.contains(name))
                ++result.Updated;
            else
                ++result.Added;
            beacons << b;
            lines << record.Line;
        }
        try {
            inventory.Import(beacons);
        } catch (const EFleetRefused &e) {
            Refuse(fileName, lines.value(e.Index()), e.Message());
        }
    });
    return result;
}
