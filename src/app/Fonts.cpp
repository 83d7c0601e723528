#include "app/Fonts.h"

#include "widgets/FontNameComboBox.h"

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

} // namespace glyphreel::app
