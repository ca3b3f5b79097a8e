// Event-log files, hostile or damaged, as "Load from File" reads them. A file
// is refused with a message, or gives rows that, saved as the window's "Save
// to File" writes them, load again as the same rows (as far as the 8-bit code
// page holds their characters).
#include "config/cp1252.h"
#include "config/exceptions.h"
#include "eventlog/eventlogfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir *folder = nullptr;
QByteArray file;

void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nfile: %s\n", what, file.toPercentEncoding(" ").constData());
    std::abort();
}

QString HeldByCodePage(const QString &text)
{
    return Cp1252::toUnicode(Cp1252::fromUnicode(text));
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
}
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the process
    folder = new QTemporaryDir;
    if (!folder->isValid())
        qFatal("no temporary folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    file = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString loaded = folder->filePath(QStringLiteral("loaded.csv"));
    const QString saved = folder->filePath(QStringLiteral("saved.csv"));
    if (!Write(loaded, file))
        qFatal("cannot write the input");
    QList<TListItem> rows;
    try {
        LoadEventLogFile(loaded, rows);
    } catch (const Exception &e) {
        Require(!e.Message().isEmpty(), "refused without a message");
        return 0;
    }
    for (TListItem &row : rows) {
        Require(row.SubItems.size() == 4, "a row of five texts");
        row.Caption = HeldByCodePage(row.Caption);
        for (QString &text : row.SubItems)
            text = HeldByCodePage(text);
    }
    if (!SaveEventLogFile(saved, rows)) {
        Require(rows.isEmpty(), "rows not saved");
        return 0;
    }
    QList<TListItem> again;
    try {
        LoadEventLogFile(saved, again);
    } catch (const Exception &e) {
        Require(false, "a saved file is refused");
    }
    Require(again.size() == rows.size(), "saved rows load as other rows");
    for (qsizetype i = 0; i < rows.size(); ++i)
        Require(again.at(i).Caption == rows.at(i).Caption && again.at(i).SubItems == rows.at(i).SubItems,
                "a saved row loads otherwise");
    return 0;
}
