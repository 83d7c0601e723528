#include "platform/rtf/RichTextConversion.h"

#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace glyphreel::rtf {
namespace {

// Fills the document inside one edit block with undo off: no undo steps are
// recorded and the layout runs once, at the end. Turning undo back on
// starts an empty history.
template <typename Fill>
void fillInOneStep(QTextDocument &document, Fill fill)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    {
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        fill(cursor);
        cursor.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
}

} // namespace

double pointSizeOf(const QFont &font, double dotsPerInch)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    // A font given in pixels: whole points, as stored sizes are.
    if (font.pixelSize() > 0 && dotsPerInch > 0)
        return std::max(1.0, std::round(font.pixelSize() * 72.0 / dotsPerInch));
    return 4;
}

void toTextDocument(const RtfDocument &rtf, QTextDocument &document, double defaultSizePt)
{
    const QString defaultFamily = document.defaultFont().family();
    const double defaultSize = defaultSizePt > 0 ? defaultSizePt : pointSizeOf(document.defaultFont(), 96);
    fillInOneStep(document, [&](QTextCursor &cursor) {
        // A format holds only what differs from the document's defaults;
        // runs that differ in colour alone share everything else.
        QTextCharFormat f;
        const RtfRun *previous = nullptr;
        bool firstBlock = true;
        for (const auto &para : rtf.paragraphs) {
            if (!firstBlock)
                cursor.insertBlock();
            firstBlock = false;
            for (const RtfRun &run : para) {
                if (!previous || run.font != previous->font) {
                    if (run.font.isEmpty() || run.font == defaultFamily)
                        f.clearProperty(QTextFormat::FontFamilies);
                    else
                        f.setFontFamilies(QStringList{run.font});
                }
                if (!previous || run.sizePt != previous->sizePt) {
                    if (run.sizePt == defaultSize)
                        f.clearProperty(QTextFormat::FontPointSize);
                    else
                        f.setFontPointSize(run.sizePt);
                }
                auto flag = [&f](bool on, QTextFormat::Property property, auto set) {
                    if (on)
                        set(f);
                    else
                        f.clearProperty(property);
                };
                if (!previous || run.bold != previous->bold)
                    flag(run.bold, QTextFormat::FontWeight, [](QTextCharFormat &g) { g.setFontWeight(QFont::Bold); });
                if (!previous || run.italic != previous->italic)
                    flag(run.italic, QTextFormat::FontItalic, [](QTextCharFormat &g) { g.setFontItalic(true); });
                if (!previous || run.underline != previous->underline)
                    flag(run.underline, QTextFormat::TextUnderlineStyle, [](QTextCharFormat &g) { g.setFontUnderline(true); });
                if (!previous || run.strike != previous->strike)
                    flag(run.strike, QTextFormat::FontStrikeOut, [](QTextCharFormat &g) { g.setFontStrikeOut(true); });
                if (!previous || !(run.color == previous->color)) {
                    if (run.color.kind == RtfColor::Kind::Rgb)
                        f.setForeground(run.color.rgb);
                    else
                        f.clearForeground();
                }
                previous = &run;
                cursor.insertText(run.text, f);
            }
        }
    });
}

RtfDocument fromTextDocument(const QTextDocument &document, double defaultSizePt)
{
    const double defaultSize = defaultSizePt > 0 ? defaultSizePt : pointSizeOf(document.defaultFont(), 96);
    const QString defaultFamily = document.defaultFont().family();
    RtfDocument rtf;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        rtf.paragraphs.emplace_back();
        auto &para = rtf.paragraphs.back();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() == 0)
                continue;
            const QTextCharFormat f = fragment.charFormat();
            RtfRun run;
            const QStringList families = f.fontFamilies().toStringList();
            run.font = !families.isEmpty() ? families.front() : defaultFamily;
            run.sizePt = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultSize;
            run.bold = f.fontWeight() >= QFont::Bold;
            run.italic = f.fontItalic();
            run.underline = f.fontUnderline();
            run.strike = f.fontStrikeOut();
            if (f.hasProperty(QTextFormat::ForegroundBrush))
                run.color = {RtfColor::Kind::Rgb, f.foreground().color()};
            if (!para.empty() && para.back().sameFormat(run)) {
                para.back().text += fragment.text();
            } else {
                run.text = fragment.text();
                para.push_back(std::move(run));
            }
        }
    }
    // An empty document has no lines.
    if (rtf.paragraphs.size() == 1 && rtf.paragraphs.front().empty())
        rtf.paragraphs.clear();
    return rtf;
}

std::string memoBytes(const QTextDocument &document, bool plainText, double defaultSizePt)
{
    if (!plainText)
        return writeRtf(fromTextDocument(document, defaultSizePt));
    return text::encodeCp932(text::toCrLf(document.toPlainText()));
}

void loadMemo(const std::string &bytes, bool plainText, QTextDocument &document, double defaultSizePt)
{
    if (!plainText) {
        toTextDocument(readRtf(bytes), document, defaultSizePt);
        return;
    }
    std::string_view stored = bytes;
    while (!stored.empty() && stored.back() == '\0')
        stored.remove_suffix(1);
    const QString text = text::toLineFeeds(text::decodeCp932(stored));
    fillInOneStep(document, [&](QTextCursor &cursor) { cursor.insertText(text); });
}

} // namespace glyphreel::rtf
