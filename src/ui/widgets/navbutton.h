#pragma once
#include <QIcon>
#include <QLabel>
#include <QPushButton>

// A large navigation button: icon on the left, bold caption wrapped beside it.
// It carries the number of the page it shows. The caption is drawn as it is
// written, so "&" is a literal ampersand and never a keyboard mnemonic.
class TNavButton : public QPushButton {
    Q_OBJECT
public:
    TNavButton(const QString &caption, const QIcon &icon, int pageNumber, QWidget *parent = nullptr);

    int PageNumber() const { return fPageNumber; }
    const QString &Caption() const { return fCaption; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect IconRect() const;
    QRect CaptionRect(int width, int height) const;

    QString fCaption;
    QIcon fIcon;
    int fPageNumber;
};

// The indicator picture beside a navigation button; it carries the same page
// number as its button and shows a lit or dark LED.
class TPageLed : public QLabel {
    Q_OBJECT
public:
    TPageLed(int pageNumber, QWidget *parent = nullptr);
    int PageNumber() const { return fPageNumber; }

private:
    int fPageNumber;
};
