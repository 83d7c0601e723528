#pragma once
// The hidden conversion window. The import windows write its settings,
// call Button2Click and take the art from RichEdit1.

#include "platform/richedit/RichEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <string>

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    QWidget *Panel1;
    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QPushButton *Button2;
    glyphreel::richedit::RichEdit *RichEdit1;

    // Converts the bitmap file named in Edit1 with the settings of Edit2,
    // CheckBox1 and CheckBox2 and puts the art into RichEdit1. A file that is
    // not a picture, or a pixel width below 1, raises an error and leaves
    // RichEdit1 as it was.
    void Button2Click();

    // The art of the last conversion exactly as the conversion returned it,
    // CP932 bytes with CR LF line ends.
    const std::string &resultBytes() const { return resultBytes_; }

    // Puts art made elsewhere (a movie run converts without this window)
    // into RichEdit1 as a conversion would.
    void showResult(std::string art);

    // Selects the whole result and copies it at 4 points: the clipboard
    // then holds the art as rich text ("ＭＳ ゴシック", 4 points, white)
    // and as plain text, and nothing else.
    void copyResult();

    // Edit2's text as a pixel width: a text that is not a whole number
    // counts as 8.
    int pixelWidth() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::string resultBytes_;
};

extern TForm1 *Form1;
