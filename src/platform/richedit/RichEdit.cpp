#include "platform/richedit/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <algorithm>

#include "platform/rtf/RichTextConversion.h"
#include "platform/text/Lines.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QMimeData>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace glyphreel::richedit {

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void RichEdit::setPlainTextMode(bool on)
{
    plainTextMode_ = on;
    setAcceptRichText(!on);
}

void RichEdit::changeEvent(QEvent *event)
{
    // Rich text in the box's own font keeps the font it was shown in when
    // the box's font changes: only its own runs are the frame's, and they
    // must not change with the view.
    if (event->type() != QEvent::FontChange || plainTextMode_ || document()->isEmpty()) {
        QTextEdit::changeEvent(event);
        return;
    }
    const rtf::RtfDocument runs = rtf::fromTextDocument(*document(), rtf::pointSizeOf(document()->defaultFont(), logicalDpiY()));
    const bool modified = document()->isModified();
    QTextEdit::changeEvent(event);
    {
        const QScopedValueRollback<bool> loading(loadingContent_, true);
        rtf::toTextDocument(runs, *document(), basePointSize());
    }
    document()->setModified(modified);
}

void RichEdit::setWordWrap(bool on)
{
    setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void RichEdit::deleteSelection()
{
    QTextCursor c = textCursor();
    c.removeSelectedText();
    setTextCursor(c);
}

void RichEdit::setColors(const QColor &text, const QColor &background)
{
    baseText_ = text;
    background_ = background;
    applyColors();
}

void RichEdit::setBackgroundColor(const QColor &background)
{
    background_ = background;
    applyColors();
}

void RichEdit::setBaseTextColor(const QColor &text)
{
    baseText_ = text;
    applyColors();
}

QColor RichEdit::shownTextColor() const
{
    if (baseText_.rgb() != background_.rgb())
        return baseText_;
    // Black or white, whichever stands out from the background.
    return qGray(background_.rgb()) < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

void RichEdit::applyColors()
{
    const QColor text = shownTextColor();
    QPalette pal = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Base, background_);
    }
    setPalette(pal);
}

QTextCharFormat RichEdit::selectionFormat() const
{
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        const int start = c.selectionStart();
        c.setPosition(start);
        c.setPosition(start + 1, QTextCursor::KeepAnchor);
    }
    QTextCharFormat f = c.charFormat();
    if (!f.hasProperty(QTextFormat::FontFamilies))
        f.setFontFamilies({font().family()});
    if (!f.hasProperty(QTextFormat::FontPointSize))
        f.setFontPointSize(basePointSize());
    return f;
}

void RichEdit::mergeSelection(const QTextCharFormat &format)
{
    QTextCursor c = textCursor();
    c.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

QString RichEdit::selectionFontName() const
{
    const QStringList f = selectionFormat().fontFamilies().toStringList();
    return f.isEmpty() ? font().family() : f.front();
}

void RichEdit::setSelectionFontName(const QString &name)
{
    QTextCharFormat f;
    f.setFontFamilies({name});
    mergeSelection(f);
}

double RichEdit::selectionSizePt() const
{
    return selectionFormat().fontPointSize();
}

void RichEdit::setSelectionSizePt(double points)
{
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeSelection(f);
}

int RichEdit::selectionStyle() const
{
    const QTextCharFormat f = selectionFormat();
    return (f.fontWeight() >= QFont::Bold ? Bold : 0) | (f.fontItalic() ? Italic : 0) | (f.fontUnderline() ? Underline : 0)
         | (f.fontStrikeOut() ? StrikeOut : 0);
}

void RichEdit::setSelectionStyle(int styles)
{
    QTextCharFormat f;
    f.setFontWeight(styles & Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(styles & Italic);
    f.setFontUnderline(styles & Underline);
    f.setFontStrikeOut(styles & StrikeOut);
    mergeSelection(f);
}

QColor RichEdit::selectionColor() const
{
    const QTextCharFormat f = selectionFormat();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : baseText_;
}

void RichEdit::setSelectionColor(const QColor &color)
{
    QTextCharFormat f;
    f.setForeground(color);
    mergeSelection(f);
}

double RichEdit::basePointSize() const
{
    return rtf::pointSizeOf(font(), logicalDpiY());
}

std::string RichEdit::memo() const
{
    return rtf::memoBytes(*document(), plainTextMode_, basePointSize());
}

// A document of the memo, built away from the screen in one step: shown,
// the editor lays it out and paints it once, and the load is no step to undo.
QTextDocument *RichEdit::buildDocument(const std::string &bytes)
{
    const QTextDocument *shown = document();
    auto *fresh = new QTextDocument(this);
    fresh->setDefaultFont(shown->defaultFont());
    fresh->setDefaultTextOption(shown->defaultTextOption());
    fresh->setDocumentMargin(shown->documentMargin());
    fresh->setUndoRedoEnabled(shown->isUndoRedoEnabled());
    rtf::loadMemo(bytes, plainTextMode_, *fresh, basePointSize());
    return fresh;
}

bool RichEdit::isPrepared(const std::string &bytes) const
{
    return prepared_.document && prepared_.bytes == bytes && prepared_.plainText == plainTextMode_
        && prepared_.font == document()->defaultFont();
}

void RichEdit::prepareMemo(const std::string &bytes)
{
    if (isPrepared(bytes))
        return;
    if (prepared_.document)
        prepared_.document->deleteLater();
    prepared_ = {bytes, plainTextMode_, document()->defaultFont(), buildDocument(bytes)};
}

void RichEdit::setMemo(const std::string &bytes)
{
    QTextDocument *fresh = isPrepared(bytes) ? prepared_.document.data() : buildDocument(bytes);
    if (prepared_.document && prepared_.document != fresh)
        prepared_.document->deleteLater();
    prepared_ = {};
    const QPointer<QTextDocument> previous = document();
    setDocument(fresh);
    // The editor's first document belongs to its text control, which lets
    // it go with the next one; the ones made here belong to the editor and
    // go once the new one is on screen.
    if (previous && previous != fresh)
        previous->deleteLater();
    applyZoom();
}

void RichEdit::setZoom(int percent)
{
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_)
        return;
    zoom_ = percent;
    applyZoom();
    emit zoomChanged(zoom_);
}

namespace {

// The steps of Ctrl + wheel and Ctrl++ / Ctrl+-.
constexpr int kZoomSteps[] = {25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 600, 800};

int nextZoom(int zoom, bool in)
{
    if (in) {
        for (int step : kZoomSteps)
            if (step > zoom)
                return step;
        return RichEdit::kMaxZoom;
    }
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
        if (*it < zoom)
            return *it;
    return RichEdit::kMinZoom;
}

} // namespace

void RichEdit::wheelEvent(QWheelEvent *event)
{
    // The text box's own Ctrl + wheel would change the font, which is the
    // frame's: here it changes the view only.
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta != 0)
            setZoom(nextZoom(zoom_, delta > 0));
        event->accept();
        return;
    }
    QTextEdit::wheelEvent(event);
}

void RichEdit::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::ZoomIn) || (ctrl && (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal))) {
        setZoom(nextZoom(zoom_, true));
        return;
    }
    if (event->matches(QKeySequence::ZoomOut) || (ctrl && event->key() == Qt::Key_Minus)) {
        setZoom(nextZoom(zoom_, false));
        return;
    }
    if (ctrl && event->key() == Qt::Key_0) {
        setZoom(100);
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void RichEdit::applyZoom()
{
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    if (zoom_ == 100) {
        if (layout->paintDevice())
            layout->setPaintDevice(nullptr);
    } else {
        // Sizes in points become pixels at the device's resolution.
        const double dotsPerMeter = logicalDpiY() * zoom_ / 100.0 / 0.0254;
        zoomDevice_ = QImage(1, 1, QImage::Format_RGB32);
        zoomDevice_.setDotsPerMeterX(qRound(dotsPerMeter));
        zoomDevice_.setDotsPerMeterY(qRound(dotsPerMeter));
        layout->setPaintDevice(&zoomDevice_);
    }
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
}

QStringList RichEdit::rtfMimeTypes()
{
    // Office programs on X11 offer and look for the first two; the last is
    // the registered type.
    return {QStringLiteral("text/rtf"), QStringLiteral("text/richtext"), QStringLiteral("application/rtf")};
}

QMimeData *RichEdit::createMimeDataFromSelection() const
{
    const QTextDocumentFragment fragment = textCursor().selection();
    auto *data = new QMimeData;
    data->setText(text::toLineFeeds(fragment.toPlainText()));
    if (plainTextMode_)
        return data;
    // The selection in a document of the editor's own default font, so that
    // runs without a font of their own are written in it.
    QTextDocument selected;
    selected.setDefaultFont(document()->defaultFont());
    QTextCursor(&selected).insertFragment(fragment);
    const QByteArray stream = QByteArray::fromStdString(rtf::writeRtf(rtf::fromTextDocument(selected, basePointSize())));
    for (const QString &type : rtfMimeTypes())
        data->setData(type, stream);
    data->setHtml(fragment.toHtml());
    return data;
}

bool RichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    for (const QString &type : rtfMimeTypes())
        if (source->hasFormat(type))
            return true;
    return QTextEdit::canInsertFromMimeData(source);
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly())
        return;
    // The caret follows what was inserted, as after typing.
    auto insert = [this](const auto &what) {
        QTextCursor c = textCursor();
        what(c);
        setTextCursor(c);
        ensureCursorVisible();
    };
    if (plainTextMode_) {
        // Plain text only: formats from elsewhere are dropped.
        if (source->hasText()) {
            insert([&](QTextCursor &c) { c.insertText(source->text()); });
            return;
        }
    } else {
        for (const QString &type : rtfMimeTypes()) {
            if (!source->hasFormat(type))
                continue;
            QTextDocument pasted;
            pasted.setDefaultFont(document()->defaultFont());
            rtf::toTextDocument(rtf::readRtf(source->data(type).toStdString()), pasted, basePointSize());
            insert([&](QTextCursor &c) { c.insertFragment(QTextDocumentFragment(&pasted)); });
            return;
        }
    }
    QTextEdit::insertFromMimeData(source);
}

} // namespace glyphreel::richedit
