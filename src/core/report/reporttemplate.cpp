#include "report/reporttemplate.h"

#include <QFontDatabase>

void TReportCrossTab::AddValue(int row, const QString &column, const QString &cell)
{
    qsizetype rowIndex = fRows.indexOf(row);
    if (rowIndex < 0) {
        rowIndex = fRows.size();
        fRows.append(row);
    }
    qsizetype columnIndex = fColumns.indexOf(column);
    if (columnIndex < 0) {
        columnIndex = fColumns.size();
        fColumns.append(column);
    }
    fCells.insert({int(rowIndex), int(columnIndex)}, cell);
}

void TReportCrossTab::Clear()
{
    fRows.clear();
    fColumns.clear();
    fCells.clear();
}

QString TReportCrossTab::Cell(int rowIndex, int columnIndex) const
{
    return fCells.value({rowIndex, columnIndex});
}

TReportBand &TReportTemplate::AddBand(TReportBand::Kind kind, double heightMm)
{
    Bands.push_back(TReportBand{kind, heightMm, {}});
    return Bands.back();
}

TReportObject *TReportTemplate::FindObject(const QString &name) const
{
    for (const TReportBand &band : Bands)
        for (const auto &object : band.Objects)
            if (object->Name == name)
                return object.get();
    return nullptr;
}

double TReportTemplate::ContentWidthMm() const
{
    return PageSize.size(QPageSize::Millimeter).width() - 2 * MarginMm;
}

QString TReportTemplate::ExpandVariables(const QString &text) const
{
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = text.indexOf(u'[', from);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
        if (close < 0)
            break;
        out += QStringView(text).mid(from, open - from);
        const QString name = text.mid(open + 1, close - open - 1);
        if (OnGetValue)
            out += OnGetValue(name).toString();
        from = close + 1;
    }
    out += QStringView(text).mid(from);
    return out;
}

QString ReportFontFamily(const QString &family)
{
    if (QFontDatabase::hasFamily(family))
        return family;
    const QStringList standIns = family.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) == 0
        ? QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}
        : QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans")};
    for (const QString &standIn : standIns)
        if (QFontDatabase::hasFamily(standIn))
            return standIn;
    return family; // let the system's own substitution choose
}
