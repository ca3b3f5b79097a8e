#pragma once
#include <QProcess>
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
