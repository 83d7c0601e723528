#pragma once
// A rich text box: plain or rich text, per-character formats, word wrap and
// tab handling switchable as the windows need them.

#include <QImage>
#include <QPointer>
#include <QTextEdit>

#include <string>

namespace glyphreel::richedit {

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent = nullptr);

    // Plain text: the box holds characters only, pasted formats are dropped.
    bool plainTextMode() const { return plainTextMode_; }
    void setPlainTextMode(bool on);

    bool wordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
    void setWordWrap(bool on);

    // Tab typed into the text rather than moving the focus.
    bool wantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }

    // Removes the selected text (the Edit menu's delete).
    void deleteSelection();

    // Text colour and background of the whole box. Text in the box's own
    // colour never disappears into the background: when the two are the
    // same (a project stored with black text on black), it shows in a
    // contrasting colour, while baseTextColor() stays what was set.
    void setColors(const QColor &text, const QColor &background);
    void setBackgroundColor(const QColor &background);
    void setBaseTextColor(const QColor &text);
    QColor baseTextColor() const { return baseText_; }
    QColor backgroundColor() const { return background_; }
    // The colour text in the box's own colour is shown in.
    QColor shownTextColor() const;

    // The selection's attributes: those of its first character (or of the
    // caret's position when nothing is selected); setting them changes the
    // whole selection.
    enum Style { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    QString selectionFontName() const;
    void setSelectionFontName(const QString &name);
    double selectionSizePt() const;
    void setSelectionSizePt(double points);
    int selectionStyle() const;
    void setSelectionStyle(int styles);
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);

    // The size in points of the box's own font, which text without a size
    // of its own has (the start-up font is given in pixels).
    double basePointSize() const;

    // The stored form of the text and back (RTF, or CP932 for plain text).
    std::string memo() const;
    void setMemo(const std::string &bytes);
    // Builds the document of a memo that is likely to be shown next, so
    // that setMemo with the same bytes only has to show it.
    void prepareMemo(const std::string &bytes);

    // How large the text is shown, in percent of its size (25 to 800):
    // only the view changes, never the text, its sizes or what is stored.
    // The text is laid out for a device of the screen's resolution times
    // the zoom, so glyphs, caret, selection and mouse all follow it.
    int zoom() const { return zoom_; }
    void setZoom(int percent);
    static constexpr int kMinZoom = 25;
    static constexpr int kMaxZoom = 800;

signals:
    void zoomChanged(int percent);

public:
    // The clipboard formats: RTF in the control's own form, then HTML, then
    // plain text, so that art copied here pastes into other programs with
    // its fonts and colours, and back.
    static QStringList rtfMimeTypes();

protected:
    // While a memo is shown or the text is rebuilt in a new font: the
    // changes of the text that follow are no edits.
    bool loadingContent() const { return loadingContent_; }
    void changeEvent(QEvent *event) override;
    // Ctrl + wheel, Ctrl++, Ctrl+- and Ctrl+0 zoom the view.
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    QTextCharFormat selectionFormat() const;
    void mergeSelection(const QTextCharFormat &format);

    void applyColors();
    QTextDocument *buildDocument(const std::string &bytes);
    // Whether the prepared document is this memo as the editor would show it now.
    bool isPrepared(const std::string &bytes) const;

    struct Prepared {
        std::string bytes;
        bool plainText = false;
        QFont font;
        QPointer<QTextDocument> document;
    };

    void applyZoom();

    bool plainTextMode_ = false;
    int zoom_ = 100;
    QImage zoomDevice_;
    QColor baseText_ = Qt::black;
    QColor background_ = Qt::white;
    Prepared prepared_;
    bool loadingContent_ = false;
};

} // namespace glyphreel::richedit
