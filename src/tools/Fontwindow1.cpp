#include "tools/Fontwindow1.h"

TFontForm1 *FontForm1 = nullptr;

TFontForm1::TFontForm1()
    : ScreenCentredDialog(QStringLiteral("FontForm1"), QStringLiteral("一括フォント変換"), glyphreel::dialogs::kToolWindowFrame)
{
    setModal(true);
    setFixedSize(184, 164);
}
