#pragma once
#include "store/listtext.h"

#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>

// The event-log file: one line per list row, in list order, each the five
// texts (date, event name, first voltage, second voltage, brightness) in
// double quotes (a quote inside doubled), separated by commas, ended by a
// semicolon and CR LF; 8-bit
// Windows-1252 text without a byte-order mark.

// Writes the rows, replacing any file of that name; with no rows nothing is
// written and false is returned. A failed write raises "Unable to write to %s"
// and leaves an existing file as it was.
bool SaveEventLogFile(const QString &fileName, const QList<TListItem> &rows);

// The same file written a row at a time, for a list too long to hold whole:
// put in place by Commit, which raises "Unable to write to %s" (leaving an
// existing file as it was) when a write failed; dropped without Commit.
class TEventLogWriter {
public:
    explicit TEventLogWriter(const QString &fileName);
    void Add(const TListItem &row);
    void Commit();
    int Count() const { return fCount; }

private:
    QSaveFile fFile;
    int fCount = 0;
};

// Replaces rows by the file's lines (the caption from the first field, the
// sub-items from the next four; further fields are ignored). A file starting
// with a Unicode byte-order mark is read in that encoding. A file that cannot
// be read raises "Unable to read %s" with rows untouched; a line with fewer
// than five fields raises an error, keeping the rows loaded before it.
void LoadEventLogFile(const QString &fileName, QList<TListItem> &rows);
// The same for an event-log file's bytes (from standard input, for one);
// fileName names them in the error.
void ReadEventLogText(const QByteArray &bytes, const QString &fileName, QList<TListItem> &rows);

// Splits a line by the comma-text rules: blanks and control characters
// before a field are skipped; a field opened by a double quote runs to the
// closing quote, a doubled quote standing for one; any other field ends at a
// comma, a blank or a control character; a comma at the very end adds an
// empty field.
QStringList SplitCommaText(const QString &line);
