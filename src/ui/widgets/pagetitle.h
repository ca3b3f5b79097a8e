#pragma once
#include <QWidget>

class QHBoxLayout;
class QLabel;

// The head of every page: its title in large bold maroon letters with a rule
// under it. Row() is the title's line, for buttons placed beside the title.
class TPageTitle : public QWidget {
    Q_OBJECT
public:
    explicit TPageTitle(const QString &title, QWidget *parent = nullptr);

    QString Title() const;
    QHBoxLayout *Row() const { return fRow; }

private:
    QLabel *fTitle;
    QHBoxLayout *fRow;
};
