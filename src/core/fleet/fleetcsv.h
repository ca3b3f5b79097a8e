#pragma once
// The inventory as the list prints it and as a CSV file (RFC 4180, UTF-8,
// with a header) that spreadsheets open and that comes back unchanged.
#include "fleet/inventory.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class TDM;

// The columns, in order: name, serial, site, address, tags, location, notes,
// assigned, last_contact.
QStringList FleetColumns();
// A beacon's values in those columns: tags comma-joined, location "LAT,LON"
// or empty, last_contact ISO 8601 UTC or empty.
QStringList FleetFields(const TFleetBeacon &beacon, const QDateTime &lastContact);
// "LAT,LON" in degrees, each as few digits as give the same number back.
QString LocationText(double latitude, double longitude);
// Reads "LAT,LON" (blanks allowed around each); false for anything else, or
// a value out of range.
bool ParseLocation(const QString &text, double &latitude, double &longitude);

// Tags from comma-separated text, each without blanks around it; empty ones
// left out.
QStringList ParseTags(const QString &text);

// The CSV file: the header, then one line per row of FleetFields. A field
// that a spreadsheet would take for a formula (it starts with = + - @, a
// tab, a carriage return, or ') is written with a leading '.
QByteArray FleetCsvText(const QList<QStringList> &rows);

struct TFleetImport {
    int Added = 0;
    int Updated = 0;
};

// Adds the beacons of a CSV file to the inventory, or updates those of the
// same name, in one transaction. Columns are found by the header's names;
// the file needs "name", may leave out the others (a beacon updated keeps
// the values of the columns left out, and its assignment always), and
// "assigned" and "last_contact" are ignored. One leading ' of a field is
// removed. Anything wrong with the file, or a row the inventory refuses,
// raises an Exception naming the line, and nothing is written.
TFleetImport ImportFleetCsv(TDM &dm, const QByteArray &bytes, const QString &fileName);
