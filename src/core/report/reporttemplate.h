#pragma once
#include "report/reportpages.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

// A report template: one page design with named objects on bands, built into
// as many pages as its content needs. Geometry is in millimetres relative to
// the band, font sizes in points.

struct TReportFont {
    QString Family = QStringLiteral("Arial");
    int PointSize = 10;
    bool Bold = false;
    bool Italic = false;
};

class TReportObject {
public:
    TReportObject(QString name, QRectF rect) : Name(std::move(name)), Rect(rect) {}
    virtual ~TReportObject() = default;

    QString Name;
    QRectF Rect;
    bool Visible = true;
};

// Text that may hold variables in square brackets, "[name]", answered by the
// template's OnGetValue when the report is built.
class TReportMemo : public TReportObject {
public:
    TReportMemo(QString name, QRectF rect, QString text, TReportFont font = {},
                Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
        : TReportObject(std::move(name), rect), Text(std::move(text)), Font(std::move(font)), Alignment(alignment)
    {
    }
    QString Text;
    TReportFont Font;
    Qt::Alignment Alignment;
    QColor Color = Qt::black;
};

// A straight line from the rectangle's top left to its bottom right corner.
class TReportLine : public TReportObject {
public:
    using TReportObject::TReportObject;
    double WidthPt = 1.0;
};

class TReportPicture : public TReportObject {
public:
    TReportPicture(QString name, QRectF rect, QImage image)
        : TReportObject(std::move(name), rect), Image(std::move(image))
    {
    }
    QImage Image;
};

// A table filled with (row, column, cell) triples, normally from OnBeforePrint.
// Rows and columns keep the order in which they first appear; a cell shows its
// text unchanged. It stretches over the rest of the band's width and runs on
// over further pages with its title and header repeated.
class TReportCrossTab : public TReportObject {
public:
    TReportCrossTab(QString name, QRectF rect, QString title = {})
        : TReportObject(std::move(name), rect), Title(std::move(title))
    {
    }

    void AddValue(int row, const QString &column, const QString &cell);
    void Clear();

    int RowCount() const { return int(fRows.size()); }
    const QStringList &Columns() const { return fColumns; }
    QString Cell(int rowIndex, int columnIndex) const;

    QString Title;
    TReportFont Font;
    int MinColumnWidthPx = 50; // screen pixels, 96 to the inch
    int MaxColumnWidthPx = 1000;

private:
    QList<int> fRows;
    QStringList fColumns;
    QHash<QPair<int, int>, QString> fCells; // (row index, column index)
};

// A horizontal strip of the page. The title band opens the first page, data
// bands follow it in order, the page footer closes every page.
struct TReportBand {
    enum Kind { Title, Data, PageFooter };
    Kind BandKind = Data;
    double HeightMm = 0;
    std::vector<std::unique_ptr<TReportObject>> Objects;

    template <typename T, typename... Args> T &Add(Args &&...args)
    {
        Objects.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return static_cast<T &>(*Objects.back());
    }
};

class TReportTemplate {
public:
    // Answers a bracketed variable by name; an invalid value prints as empty text.
    using TGetValueEvent = std::function<QVariant(const QString &varName)>;
    // Called for each object just before it is printed; may fill or hide it.
    using TBeforePrintEvent = std::function<void(TReportObject &sender)>;

    explicit TReportTemplate(QString name) : Name(std::move(name)) {}

    TReportBand &AddBand(TReportBand::Kind kind, double heightMm);
    TReportObject *FindObject(const QString &name) const;

    // Builds the pages afresh: cross-tabs are emptied first, so every build
    // shows what the callbacks answer now.
    TPreparedReport Prepare();

    // Content width between the side margins.
    double ContentWidthMm() const;

    QString Name;
    QPageSize PageSize{QPageSize::Letter};
    double MarginMm = 10;
    std::vector<TReportBand> Bands;
    TGetValueEvent OnGetValue;
    TBeforePrintEvent OnBeforePrint;

    // Text with each "[name]" replaced by the answer of OnGetValue.
    QString ExpandVariables(const QString &text) const;
};

// The family to draw a template font with: the named one when installed, else
// a metric-compatible stand-in, so layouts keep their widths on every system.
QString ReportFontFamily(const QString &family);
