#include "app/Fonts.h"

#include "convert/Bmp2str.h"
#include "platform/text/Cp932.h"
#include "widgets/FontNameComboBox.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>

namespace glyphreel::app {

void registerFontSubstitutions()
{
    struct Substitution {
        const char16_t *family;
        const char16_t *ipa;
    };
    static const Substitution substitutions[] = {
        {u"ＭＳ ゴシック", u"IPAGothic"},
        {u"ＭＳ Ｐゴシック", u"IPAPGothic"},
        {u"ＭＳ 明朝", u"IPAMincho"},
        {u"ＭＳ Ｐ明朝", u"IPAPMincho"},
        {u"MS Gothic", u"IPAGothic"},
        {u"MS PGothic", u"IPAPGothic"},
        {u"MS Mincho", u"IPAMincho"},
        {u"MS PMincho", u"IPAPMincho"},
    };
    for (const Substitution &s : substitutions)
        widgets::registerFontAlias(QString::fromUtf16(s.family), QString::fromUtf16(s.ipa));
}

void warmUpArtFont(const QFont &font)
{
    // The characters of the conversion's density table, as art is made of.
    std::string bytes;
    for (const auto &cell : convert::FDensityList)
        bytes.append(reinterpret_cast<const char *>(cell.data()), cell.size());
    const QString art = text::decodeCp932(bytes);
    QImage image(64, 16, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    for (const double points : {4.0, 9.0}) {
        QFont f = font;
        f.setPointSizeF(points);
        QTextLayout layout(art, f);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        layout.draw(&painter, QPointF(0, 0));
    }
}

} // namespace glyphreel::app
