#pragma once
#include <QTextBrowser>
#include <QWidget>

class QPushButton;

// The manual's page: a picture wider than its paragraph is shown narrower, so
// the page never needs sideways scrolling.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl &name) override;

private:
    // The width of the paragraph that shows the picture of the file named.
    int PictureRoom(const QString &fileName) const;
};

// The operator's manual in a window of its own beside the main window, which
// stays usable: chapters linked to each other, the pictures, Back and
// Forward. A link to a web page opens in the desktop's browser.
class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget *parent = nullptr);

    // Shows the manual with the chapter at the top of the page (the
    // beginning for none) and brings the window forward. A manual that is
    // nowhere is reported with each folder looked in; false then.
    bool ShowChapter(const QString &chapter);

    THelpBrowser *txtManual;
    QPushButton *btnBack;
    QPushButton *btnForward;
    QPushButton *btnContents;

private:
    QString fFileName; // the manual shown
};
