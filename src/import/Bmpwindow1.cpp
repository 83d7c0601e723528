#include "import/Bmpwindow1.h"

TBMPForm1 *BMPForm1 = nullptr;

TBMPForm1::TBMPForm1()
    : ScreenCentredDialog(QStringLiteral("BMPForm1"), QStringLiteral("BMPイメージからのインポート"), glyphreel::dialogs::kToolWindowFrame)
{
    setModal(true);
    setFixedSize(253, 130);
}
