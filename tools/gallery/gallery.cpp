// Every widget of the application's windows on one window, set up as those
// windows set them up, to be looked at: glyphreel_gallery [--grab FILE.png]

#include "widgets/ColorComboBox.h"
#include "widgets/FontNameComboBox.h"
#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFont>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    glyphreel::widgets::registerFontAlias(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    glyphreel::widgets::registerFontAlias(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Glyphreel widgets"));
    window.resize(460, 300);

    // The import windows' background: dark grey to silver upward, yellow outline.
    auto *box = new TGradBox(&window);
    box->setGeometry(0, 0, 230, 300);
    box->setTopColor(6381921);
    box->setLastColor(12632256);
    box->setGradStyle(gsBottomTop);
    box->setDrawOutLine(true);
    box->setOutLineColor(65535);

    // The tool box's: right to left, orange outline.
    auto *tools = new TGradBox(&window);
    tools->setGeometry(230, 0, 230, 300);
    tools->setTopColor(6381921);
    tools->setLastColor(12632256);
    tools->setGradStyle(gsRightLeft);
    tools->setDrawOutLine(true);
    tools->setOutLineColor(33023);
    tools->setCaption(QStringLiteral("TGradBox の見出し"));
    tools->setFont3D(true);
    tools->setStyle3D(fsLow3D);
    tools->setFontDepth(2);
    tools->setCaptionTop(240);

    const QStringList captions{QStringLiteral("1文字あたりの幅 ："), QStringLiteral("半角文字に変換 ："),
                               QStringLiteral("濃度を反転する ："), QStringLiteral("再生速度")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *label = new TShadowLabel(box);
        label->applyWindowLook(12, i == 3 ? 0x808080 : 0);
        label->setCaption(captions[i]);
        label->setGeometry(12, 16 + i * 30, 120, 20);
        label->show();
    }
    auto *gradientText = new TShadowLabel(box);
    gradientText->setGeometry(12, 140, 200, 30);
    gradientText->setCaption(QStringLiteral("グラデーション文字"));
    gradientText->setGradation(true);
    gradientText->setGradationColor(0xFF0000);
    gradientText->setColor(0x00FFFF);
    gradientText->setTextGradation(tg3Colors);
    gradientText->setFontColor(0xFFFFFF);
    gradientText->setLayout(tlCenter);
    QFont big(QStringLiteral("ＭＳ Ｐゴシック"));
    big.setPixelSize(16);
    gradientText->setFont(big);

    auto *disabled = new TShadowLabel(box);
    disabled->setGeometry(12, 180, 200, 20);
    disabled->setCaption(QStringLiteral("使用不可のラベル"));
    disabled->setEnabled(false);

    auto *number = new NumericBox(1, 99, 3, box);
    number->setGeometry(140, 16, 60, 20);

    auto *colours = new TColorComboBox(tools);
    colours->setShowExtraColor(true);
    colours->setGeometry(12, 16, 200, 22);
    auto *custom = new TColorComboBox(tools);
    custom->setShowExtraColor(true);
    custom->setGeometry(12, 50, 200, 22);
    custom->setValue(glyphreel::widgets::rgbValue(200, 120, 40));
    auto *english = new TColorComboBox(tools);
    english->setShowExtraColor(true);
    english->setJapaneseText(false);
    english->setGeometry(12, 84, 200, 22);
    english->setValue(0x00FFFF00);

    // The tool box's font picker: 124 x 20, "ＭＳ Ｐゴシック" 12 pixels.
    auto *fonts = new TFontNameComboBox(tools);
    QFont ui(QStringLiteral("ＭＳ Ｐゴシック"));
    ui.setPixelSize(12);
    fonts->setFont(ui);
    fonts->setGeometry(12, 118, 124, 20);
    fonts->setValue(QStringLiteral("ＭＳ ゴシック"));
    auto *fontsFaces = new TFontNameComboBox(tools);
    fontsFaces->setTextFontFace(true);
    fontsFaces->setGeometry(12, 146, 200, 22);
    fontsFaces->setValue(QStringLiteral("IPAMincho"));

    window.show();
    const QStringList args = app.arguments();
    const qsizetype grab = args.indexOf(QStringLiteral("--grab"));
    const qsizetype grabList = args.indexOf(QStringLiteral("--grab-list"));
    if (grabList >= 0 && grabList + 1 < args.size()) {
        // The colour list dropped down, scrolled to the end of the basic colours.
        QTimer::singleShot(200, &window, [=] { colours->showPopup(); colours->view()->scrollTo(colours->model()->index(20, 0)); });
        QTimer::singleShot(600, &window, [&, file = args[grabList + 1]] {
            colours->view()->window()->grab().save(file);
            app.quit();
        });
    }
    if (grab >= 0 && grab + 1 < args.size()) {
        QTimer::singleShot(300, &window, [&, file = args[grab + 1]] {
            window.grab().save(file);
            app.quit();
        });
    }
    return app.exec();
}
