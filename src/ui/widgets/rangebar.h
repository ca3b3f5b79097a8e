#pragma once
#include <QWidget>

// A horizontal bar with two handles that mark a range between fixed limits.
// The handles stay on multiples of the step from the lowest limit where the
// operator puts them: an arrow key moves the focused handle by one step, a
// click or a drag takes the nearest step. The handles never pass each other.
// Tab moves the focus from the lower handle to the upper one, Shift+Tab back.
class TRangeBar : public QWidget {
    Q_OBJECT
public:
    enum class Handle { Lower, Upper };

    TRangeBar(int minimum, int maximum, int step, QWidget *parent = nullptr);

    int Lower() const { return fLower; }
    int Upper() const { return fUpper; }
    // Sets both handles from the program, without RangeChanged. Each value is
    // kept within the limits, and the smaller one goes to the lower handle.
    void SetRange(int lower, int upper);

    Handle FocusedHandle() const { return fFocused; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The operator moved a handle.
    void RangeChanged(int lower, int upper);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Moves the focused handle to value, within the limits and not past the
    // other handle; tells when it moved.
    void MoveFocused(int value);
    int XOf(int value) const;
    // The step position nearest to x.
    int ValueAt(int x) const;
    QRect HandleRect(int value) const;

    const int fMinimum;
    const int fMaximum;
    const int fStep;
    int fLower;
    int fUpper;
    Handle fFocused = Handle::Lower;
};
