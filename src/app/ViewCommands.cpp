// The main window's Window and Help menus: four switches that each keep
// their state in their item and offer the opposite in its caption, the
// user's guide and the information window.

#include "app/Makewindow1.h"

#include "app/AppFolder.h"
#include "app/Infowindow1.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QWindow>
#include <QUrl>

namespace {

// 1 becomes 0 and anything else 1; returns whether the switch is now on.
bool flip(QAction *item)
{
    const bool on = item->data().toInt() != 1;
    item->setData(on ? 1 : 0);
    return on;
}

} // namespace

void TMakeForm1::O1Click()
{
    const bool on = flip(O1);
    if (ToolForm1)
        ToolForm1->setVisible(on);
    O1->setText(on ? QStringLiteral("ツールボックスを隠す(&T)") : QStringLiteral("ツールボックスを表示(&T)"));
}

void TMakeForm1::N7Click()
{
    const bool japanese = flip(N7);
    if (ToolForm1)
        for (TColorComboBox *box : ToolForm1->colourBoxes())
            box->setJapaneseText(japanese);
    if (FontForm1)
        FontForm1->ColorComboBox1->setJapaneseText(japanese);
    N7->setText(japanese ? QStringLiteral("色名を英語表記にする(&L)") : QStringLiteral("色名を日本語表記にする(&L)"));
}

void TMakeForm1::N14Click()
{
    const bool on = flip(N14);
    StatusBar1->setVisible(on);
    N14->setText(on ? QStringLiteral("ステータスバーを隠す(&B)") : QStringLiteral("ステータスバーを表示(&B)"));
}

// Read at every frame change: cues sound while editing only when on.
void TMakeForm1::N19Click()
{
    const bool on = flip(N19);
    N19->setText(on ? QStringLiteral("編集中に音を鳴らさない(&P)") : QStringLiteral("編集中に音を鳴らす(&P)"));
}

// The guide opens in whatever the desktop opens text files with; a guide
// that is not there is not reported.
void TMakeForm1::TEXT1Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(glyphreel::app::userGuidePath()));
}

void TMakeForm1::About1Click()
{
    if (InfoForm1)
        InfoForm1->exec();
}

void TMakeForm1::attachToolBox()
{
    // A window of the main window's, kept above the other windows so that
    // clicking into the editor does not bury it, except while a modal
    // window is up: staying on top then, it covered the buttons of file
    // dialogs and message boxes. It comes back on top when they close.
    ToolForm1->setParent(this, ToolForm1->windowFlags() | Qt::WindowStaysOnTopHint);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [] {
        if (!ToolForm1 || !ToolForm1->windowHandle())
            return;
        QWindow *tool = ToolForm1->windowHandle();
        const bool above = QGuiApplication::modalWindow() == nullptr;
        if (tool->flags().testFlag(Qt::WindowStaysOnTopHint) != above)
            tool->setFlag(Qt::WindowStaysOnTopHint, above);
    });
    // The menu's shortcuts reach the main window from the tool box too.
    for (QAction *item : MainMenu1->findChildren<QAction *>())
        if (!item->shortcut().isEmpty())
            ToolForm1->addAction(item);
    // Its close box is the Window menu's switch.
    connect(ToolForm1, &TToolForm1::closedByUser, this, [this] {
        if (O1->data().toInt() == 1)
            O1Click();
    });
}
