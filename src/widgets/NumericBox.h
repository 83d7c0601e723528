#pragma once
// The edit box with up-down arrows used all over the application. On every
// change a non-empty text is read as a decimal whole number and clamped to
// the range by rewriting the text; a text that is not a whole number beeps,
// goes back to what it was before the change and forgets its undo steps; an
// empty text is left alone. The arrows step within the range and never wrap
// around. Numbers show without thousands separators. The Up and Down keys in
// the box step like the arrows; a refused text leaves the caret where it was.

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

class NumericBox : public QWidget {
    Q_OBJECT
public:
    NumericBox(int minimum, int maximum, int position, QWidget *parent = nullptr);

    QLineEdit *edit() const { return edit_; }
    QToolButton *upButton() const { return up_; }
    QToolButton *downButton() const { return down_; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    void setRange(int minimum, int maximum);
    // Bounds for a typed number when they differ from the arrows' range
    // (a step box whose arrows stop at a movie's length but that takes any
    // step up to 999 typed).
    void setTypedRange(int minimum, int maximum);
    // The arrows' position: the number in the box, or the last one it held.
    int Position() const { return position_; }
    void setPosition(int position);
    int Increment() const { return increment_; }
    void setIncrement(int increment) { increment_ = increment; }

    void stepUp();
    void stepDown();

signals:
    // The box's text changed (after any clamping): the Edit...Change handlers.
    void changed();
    // An arrow was clicked: the UpDown...Click handlers.
    void arrowClicked();
    // A text that is not a number was refused.
    void refused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited();

    QLineEdit *edit_;
    QToolButton *up_;
    QToolButton *down_;
    int min_;
    int max_;
    int position_;
    int increment_ = 1;
    bool typedRange_ = false;
    int typedMin_ = 0;
    int typedMax_ = 0;
    QString accepted_; // the text before the current change
    int acceptedCaret_ = 0; // the caret before the current change
    bool rewriting_ = false;
};
