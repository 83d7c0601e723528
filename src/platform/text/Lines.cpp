#include "platform/text/Lines.h"

namespace glyphreel::text {

QString toLineFeeds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(QChar::ParagraphSeparator), u'\n');
    text.replace(QChar(QChar::LineSeparator), u'\n');
    return text;
}

QString toCrLf(const QString &text)
{
    QString out = toLineFeeds(text);
    out.replace(u'\n', QStringLiteral("\r\n"));
    return out;
}

} // namespace glyphreel::text
