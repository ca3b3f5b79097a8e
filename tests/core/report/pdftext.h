#pragma once
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// The text of each page of a PDF file as pdftotext lays it out; empty when
// the file cannot be read.
inline QStringList PdfPageTexts(const QString &fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\f', Qt::SkipEmptyParts);
}

// Cells in order on one line of that layout. Text extraction may drop a
// narrow blank inside a cell ("0 %" comes out as "0%"), so those are optional.
inline QRegularExpression PdfRowPattern(const QStringList &cells)
{
    QStringList patterns;
    for (const QString &cell : cells) {
        QStringList words;
        for (const QString &word : cell.split(u' '))
            words.append(QRegularExpression::escape(word));
        patterns.append(words.join(QStringLiteral("\\s*")));
    }
    return QRegularExpression(patterns.join(QStringLiteral("\\s+")));
}
