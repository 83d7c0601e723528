#include "import/Aviwindow1.h"

TAVIForm1 *AVIForm1 = nullptr;

TAVIForm1::TAVIForm1()
    : ScreenCentredDialog(QStringLiteral("AVIForm1"), QStringLiteral("AVIムービーからのインポート"), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    // The movie area (250 x 242 at 8, 8) on the left, the settings column
    // (224 wide) on the right.
    setFixedSize(498, 258);
}
