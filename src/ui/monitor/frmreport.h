#pragma once
#include "config/processinstance.h"
#include "report/reportdata.h"
#include "report/reporttemplate.h"

#include <QScrollArea>
#include <QWidget>

class QPrinter;
class QPushButton;

// The preview: the built pages one under the other, as wide as the view.
class TReportPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit TReportPreview(QWidget *parent = nullptr);

    void ShowReport(TPreparedReport report);
    const TPreparedReport &Report() const { return fReport; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TPreparedReport fReport;
};

// The PDF export of both reports: asks for the file name, then writes the
// pages with a progress indicator.
class TPdfExport {
public:
    // The file written; empty when the operator cancelled the file dialog.
    QString Execute(const TPreparedReport &report, const QString &suggestedName) const;
};

// The report window: previews, prints and exports the configuration report
// and the event-log report. Created once at start-up and hidden; opening a
// report makes it the current one.
class TfrmReport : public QWidget, public TProcessInstance<TfrmReport> {
    Q_OBJECT
public:
    explicit TfrmReport(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The report window does not exist.";

    // Makes a report the current one and builds it into the preview, reading
    // the sources afresh.
    void ShowReport(TReportTemplate &report);
    TReportTemplate &CurrentReport() const { return *fCurrent; }

    // Builds a report and exports it as PDF without touching the preview
    // unless it shows that report, which is then built again.
    void ExportReport(TReportTemplate &report);

    // The buttons: export and print what the preview shows, then build the
    // current report again; close the window.
    void btnExportToPDFClick();
    void btnPrintClick();
    void BtnCloseClick();
    // Print's work after the printer dialog was accepted.
    void PrintReport(QPrinter &printer);

    // The engine's callbacks, set on both templates.
    QVariant frxReportGetValue(const QString &VarName) const;
    void frxReportBeforePrint(TReportObject &Sender) const;

    // Where every build reads the settings and the event list; the schedule
    // and calendar are the beacon's own.
    TReportSources Sources;

    TReportTemplate frxReport;
    TReportTemplate frxReportLog;
    // "Operation Report": made afresh for each archive and range it shows.
    TReportTemplate frxReportOperation{QStringLiteral("frxReportOperation")};
    TReportPreview *frxPreview;
    TPdfExport frxPDFExport;
    QPushButton *btnExportToPDF;
    QPushButton *btnPrint;
    QPushButton *BtnClose;

private:
    // The name offered for an exported file.
    QString FileTitle(const TReportTemplate &report) const;

    TReportTemplate *fCurrent;
};
