#include "app/Infowindow1.h"

TInfoForm1 *InfoForm1 = nullptr;

TInfoForm1::TInfoForm1()
    : ScreenCentredDialog(QStringLiteral("InfoForm1"), QStringLiteral("Glyphreel Ver.3.5"), glyphreel::dialogs::kToolWindowFrame)
{
    setModal(true);
    setFixedSize(248, 128);
}
