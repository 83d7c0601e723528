#include "platform/richedit/RichTextConversion.h"

#include "platform/text/Cp932.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace glyphreel::richedit {

QString withLineFeeds(QString text)
{
    text.replace(QChar(QChar::ParagraphSeparator), u'\n');
    text.replace(QChar(QChar::LineSeparator), u'\n');
    return text;
}

double pointSizeOf(const QFont &font, double dotsPerInch)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    // A font given in pixels: whole points, as stored sizes are.
    if (font.pixelSize() > 0 && dotsPerInch > 0)
        return std::max(1.0, std::round(font.pixelSize() * 72.0 / dotsPerInch));
    return 4;
}

void toTextDocument(const RtfDocument &rtf, QTextDocument &document)
{
    document.clear();
    QTextCursor cursor(&document);
    bool firstBlock = true;
    for (const auto &para : rtf.paragraphs) {
        if (!firstBlock)
            cursor.insertBlock();
        firstBlock = false;
        for (const RtfRun &run : para) {
            QTextCharFormat f;
            if (!run.font.isEmpty())
                f.setFontFamilies({run.font});
            f.setFontPointSize(run.sizePt);
            f.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            f.setFontItalic(run.italic);
            f.setFontUnderline(run.underline);
            f.setFontStrikeOut(run.strike);
            if (run.color.kind == RtfColor::Kind::Rgb)
                f.setForeground(run.color.rgb);
            cursor.insertText(run.text, f);
        }
    }
}

RtfDocument fromTextDocument(const QTextDocument &document, double defaultSizePt)
{
    const double defaultSize = defaultSizePt > 0 ? defaultSizePt : pointSizeOf(document.defaultFont(), 96);
    RtfDocument rtf;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        rtf.paragraphs.emplace_back();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.text().isEmpty())
                continue;
            const QTextCharFormat f = fragment.charFormat();
            RtfRun run;
            run.text = fragment.text();
            const QStringList families = f.fontFamilies().toStringList();
            run.font = !families.isEmpty() ? families.front() : document.defaultFont().family();
            run.sizePt = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultSize;
            run.bold = f.fontWeight() >= QFont::Bold;
            run.italic = f.fontItalic();
            run.underline = f.fontUnderline();
            run.strike = f.fontStrikeOut();
            if (f.hasProperty(QTextFormat::ForegroundBrush))
                run.color = {RtfColor::Kind::Rgb, f.foreground().color()};
            auto &para = rtf.paragraphs.back();
            if (!para.empty() && para.back().sameFormat(run))
                para.back().text += run.text;
            else
                para.push_back(std::move(run));
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
    QString text = withLineFeeds(document.toPlainText());
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text::encodeCp932(text);
}

void loadMemo(const std::string &bytes, bool plainText, QTextDocument &document)
{
    if (plainText) {
        // A plain project stores CP932 text; an RTF memo (a project whose
        // type was changed) still shows its text.
        const RtfDocument rtf = readRtf(bytes);
        document.setPlainText(rtf.plainText());
        return;
    }
    toTextDocument(readRtf(bytes), document);
}

} // namespace glyphreel::richedit
