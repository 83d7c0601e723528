// The colour combo box: its lists, value writes and reads, names in both
// languages, katakana widening, drawing, and the custom colour dialog
// through the dialog seam.

#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/text/ProfileFile.h"
#include "widgets/ColorComboBox.h"

#include <QCoreApplication>
#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QAbstractItemView>
#include <QScrollBar>
#include <QtTest>

using namespace glyphreel::widgets;
using glyphreel::dialogs::ScopedDialogService;
using glyphreel::dialogs::ScriptedDialogService;

namespace {

// The configuration of the application's windows: basic, extra, custom.
void windowConfiguration(TColorComboBox &box)
{
    box.setShowExtraColor(true);
}

// Opens the box's list as the user does and measures it: the rows seen whole,
// the height of the first row, and whether a scroll bar shows.
struct OpenList {
    int rows = -1;
    int rowHeight = -1;
    bool scrolls = false;
};
OpenList openList(QComboBox &box)
{
    OpenList list;
    box.showPopup();
    QAbstractItemView *view = box.view();
    if (!QTest::qWaitFor([&] { return view->window()->isVisible(); }))
        return list;
    const QRect seen = view->viewport()->rect();
    list.rows = 0;
    for (int i = 0; i < box.count(); ++i) {
        const QRect r = view->visualRect(view->model()->index(i, 0));
        if (r.isValid() && r.top() >= seen.top() && r.bottom() <= seen.bottom()) // long names are cut at the right
            ++list.rows;
    }
    list.rowHeight = view->visualRect(view->model()->index(0, 0)).height();
    list.scrolls = view->verticalScrollBar()->isVisible();
    box.hidePopup();
    return list;
}

} // namespace

class TestColorComboBox : public QObject {
    Q_OBJECT
private slots:
    void applicationConfigurationLists146Entries();
    void everyGroupAndItsOrder();
    void extraColoursHaveTheirValues();
    void valueWritesSelectTheFirstMatchOrTheCustomEntry();
    void languageSwitchReselectsATableColour();
    void katakanaBecomeFullWidth();
    void otherLanguageNamesAndHints();
    void defaultEntryDrawsItsColourButReadsTheMarker();
    void eventsComeInTheirOrders();
    void changeControlFollowsTheBox();
    void smallItemsHaveNoOutline();
    void dotsButtonOnlyWithTheCustomEntry();
    void customColourDialogKeepsItsColours();
    void listShowsTheGivenNumberOfRows();
    void rebuildingWritesTheValueBackWithItsEvents();
    void lastValueWrittenIsTriedAgainWhenTheListFills();
    void itemHeightComparesWithTheFontsPixelHeight();
};

void TestColorComboBox::applicationConfigurationLists146Entries()
{
    TColorComboBox box;
    windowConfiguration(box);
    QCOMPARE(box.entryCount(), 146);
    QCOMPARE(box.count(), 146);
    QCOMPARE(box.entryName(0), QStringLiteral("黒"));
    QCOMPARE(box.entryName(16), QStringLiteral("アリスブルー"));
    QCOMPARE(box.entryName(145), QStringLiteral("(カスタム)"));
    // separators above entry 17 and entry 146 (indices 16 and 145)
    QCOMPARE(box.groupStarts(), (std::vector<int>{16, 145}));
}

void TestColorComboBox::everyGroupAndItsOrder()
{
    TColorComboBox box;
    box.setShowDefaultColor(true);
    box.setShowSysColor(true);
    box.setShowExtraColor(true);
    TUserColor &u = box.Items()->add();
    u.setColor(rgbValue(1, 2, 3));
    u.setDisplayName(QStringLiteral("ﾕｰｻﾞｰ色"));
    u.setEnglishName(QStringLiteral("Mine"));
    QCOMPARE(box.entryCount(), 1 + 16 + 25 + 129 + 1 + 1);
    QCOMPARE(box.entryKind(0), TColorComboBox::gkDefault);
    QCOMPARE(box.entryName(0), QStringLiteral("(標準)"));
    QCOMPARE(box.entryValue(17), ColorValue(0x80000000u));
    QCOMPARE(box.entryName(17), QStringLiteral("スクロールバーの色"));
    QCOMPARE(box.entryValue(41), ColorValue(0x80000018u));
    QCOMPARE(box.entryKind(171), TColorComboBox::gkUser);
    QCOMPARE(box.entryName(171), QStringLiteral("ユーザー色"));
    QCOMPARE(box.groupStarts(), (std::vector<int>{17, 42, 171, 172}));
    box.setJapaneseText(false);
    QCOMPARE(box.entryName(171), QStringLiteral("Mine"));
    QCOMPARE(box.entryName(172), QStringLiteral("(Custom)"));
}

void TestColorComboBox::extraColoursHaveTheirValues()
{
    TColorComboBox box;
    box.setShowBasicColor(false);
    box.setShowCustomColor(false);
    box.setShowExtraColor(true);
    box.setJapaneseText(false);
    QCOMPARE(box.entryCount(), 129);
    QCOMPARE(box.entryName(0), QStringLiteral("AliceBlue"));
    QCOMPARE(box.entryValue(0), ColorValue(0x00FFF8F0));   // #F0F8FF as a COLORREF
    QCOMPARE(box.entryValue(8), ColorValue(0x0042A6B5));   // Brass, one of the exceptions
    QCOMPARE(box.entryValue(90), ColorValue(0x00FFDEAD));  // NavajoWhite, stored as given
    QCOMPARE(box.entryValue(112), ColorValue(0x002E8B57)); // SeaGreen
    QCOMPARE(box.entryName(128), QStringLiteral("YellowGreen"));
    QCOMPARE(box.entryValue(128), ColorValue(0x0032CD9A));
    for (int i = 0; i < 129; ++i)
        QVERIFY2(box.entryValue(i) != 0, qPrintable(box.entryName(i))); // every name resolved
}

void TestColorComboBox::valueWritesSelectTheFirstMatchOrTheCustomEntry()
{
    TColorComboBox box;
    windowConfiguration(box);
    TUserColor &u = box.Items()->add();
    u.setColor(0x00FFFF00);
    u.setDisplayName(QStringLiteral("水"));
    box.setValue(0x00FFFF00);
    QCOMPARE(box.currentIndex(), 6);
    QCOMPARE(box.currentText(), QStringLiteral("シアン"));
    box.setValue(rgbValue(1, 2, 250));
    QCOMPARE(box.currentIndex(), box.entryCount() - 1);
    QCOMPARE(box.Value(), rgbValue(1, 2, 250));
    QCOMPARE(box.CustomColor(), rgbValue(1, 2, 250));
    // without a custom entry nothing new is selected
    TColorComboBox plain;
    plain.setShowCustomColor(false);
    plain.setValue(0x00FF0000);
    QCOMPARE(plain.currentText(), QStringLiteral("青"));
    plain.setValue(rgbValue(9, 9, 9));
    QCOMPARE(plain.currentText(), QStringLiteral("青"));
}

void TestColorComboBox::languageSwitchReselectsATableColour()
{
    TColorComboBox box;
    windowConfiguration(box);
    box.setValue(rgbValue(3, 3, 3));
    box.setCustomColor(0x00C0C0C0); // silver, in the table
    QCOMPARE(box.currentIndex(), 145);
    box.setJapaneseText(false);
    QCOMPARE(box.currentText(), QStringLiteral("Silver"));
    QCOMPARE(box.Value(), ColorValue(0x00C0C0C0));
}

void TestColorComboBox::katakanaBecomeFullWidth()
{
    QCOMPARE(zenKakuKana(QStringLiteral("ﾏｾﾞﾝﾀ")), QStringLiteral("マゼンタ"));
    QCOMPARE(zenKakuKana(QStringLiteral("ﾊﾟﾊﾟｲﾔﾎｲｯﾌﾟ")), QStringLiteral("パパイヤホイップ"));
    QCOMPARE(zenKakuKana(QStringLiteral("ｳﾞｧ")), QStringLiteral("ウ゛ァ")); // no voiced form: one by one
    QCOMPARE(zenKakuKana(QStringLiteral("｢ﾃﾞｨｰ｣､｡･ﾟ")), QStringLiteral("「ディー」、。・゜"));
    QCOMPARE(zenKakuKana(QStringLiteral("漢字 and ABC")), QStringLiteral("漢字 and ABC"));
    TColorComboBox box;
    QCOMPARE(box.entryName(5), QStringLiteral("マゼンタ"));
    box.setZenKakuKana(false);
    QCOMPARE(box.entryName(5), QStringLiteral("ﾏｾﾞﾝﾀ"));
}

void TestColorComboBox::otherLanguageNamesAndHints()
{
    TColorComboBox box;
    QCOMPARE(box.otherLanguageName(1), QStringLiteral("Red"));
    box.setJapaneseText(false);
    QCOMPARE(box.otherLanguageName(2), QStringLiteral("ライム"));
    try {
        box.otherLanguageName(999);
        QFAIL("an index outside the list was accepted");
    } catch (const std::out_of_range &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Index が有効範囲にありません"));
    }
    box.setHintIsOtherLanguage(true);
    box.setValue(0x000000FF);
    QCOMPARE(box.toolTip(), QStringLiteral("赤"));
}

void TestColorComboBox::defaultEntryDrawsItsColourButReadsTheMarker()
{
    TColorComboBox box;
    box.setShowDefaultColor(true);
    box.setDefaultColor(rgbValue(0, 200, 0));
    box.setCurrentIndex(0);
    QCOMPARE(box.Value(), TColorComboBox::kDefaultMarker);
    QImage image(60, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    box.drawEntry(p, QRect(0, 0, 60, 16), 0, false, true);
    p.end();
    QCOMPARE(image.pixelColor(6, 8), QColor(0, 200, 0));
    box.setValue(TColorComboBox::kDefaultMarker);
    QCOMPARE(box.currentIndex(), 0);
}

void TestColorComboBox::eventsComeInTheirOrders()
{
    TColorComboBox box;
    std::vector<QString> events;
    connect(&box, &TColorComboBox::Change, &box, [&] { events.push_back(QStringLiteral("change")); });
    connect(&box, &TColorComboBox::Click, &box, [&] { events.push_back(QStringLiteral("click")); });
    box.setValue(0x00FF0000);
    QCOMPARE(events, (std::vector<QString>{"change", "click"}));
    events.clear();
    box.activated(3); // a selection by the user
    QCOMPARE(events, (std::vector<QString>{"click", "change"}));
}

void TestColorComboBox::changeControlFollowsTheBox()
{
    TColorComboBox box;
    QWidget target;
    QPalette pal = target.palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 255));
    target.setPalette(pal);
    box.setChangeControl(&target);
    QCOMPARE(box.currentText(), QStringLiteral("青")); // read from the control
    box.setValue(0x000000FF);
    QCOMPARE(target.palette().color(QPalette::Window), QColor(255, 0, 0));
    box.setChangeControlFont(true);
    box.setValue(0x0000FF00);
    QCOMPARE(target.palette().color(QPalette::WindowText), QColor(0, 255, 0));
    {
        QWidget gone;
        box.setChangeControl(&gone);
    }
    QCOMPARE(box.ChangeControl(), nullptr); // cleared when the control goes
    box.setValue(0x00FF0000);
}

void TestColorComboBox::smallItemsHaveNoOutline()
{
    QWidget window;
    TColorComboBox box(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    box.resize(120, 18);
    QCOMPARE(box.ItemHeight(), 12);
    QImage image(60, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    box.drawEntry(p, QRect(0, 0, 60, 12), 1, false, true); // red
    p.end();
    // the swatch spans x 2..9 and y 3..9, all red, no black outline
    for (int y = 3; y <= 9; ++y)
        for (int x = 2; x <= 9; ++x)
            QCOMPARE(image.pixelColor(x, y), QColor(255, 0, 0));
    QVERIFY(image.pixelColor(10, 5) != QColor(255, 0, 0));
    QVERIFY(image.pixelColor(5, 10) != QColor(255, 0, 0));
    // from item height 16 the swatch has a black outline
    box.resize(120, 22);
    QCOMPARE(box.ItemHeight(), 16);
    QImage big(60, 16, QImage::Format_RGB32);
    big.fill(Qt::white);
    QPainter q(&big);
    box.drawEntry(q, QRect(0, 0, 60, 16), 1, false, true);
    q.end();
    QCOMPARE(big.pixelColor(2, 3), QColor(0, 0, 0));
    QCOMPARE(big.pixelColor(6, 8), QColor(255, 0, 0));
}

void TestColorComboBox::dotsButtonOnlyWithTheCustomEntry()
{
    TColorComboBox box;
    box.resize(150, 22);
    box.setValue(0x00FF0000);
    QCOMPARE(box.dotsButton()->x(), -19);
    box.setValue(rgbValue(7, 7, 7));
    QVERIFY(box.dotsButton()->x() > 0);
    QCOMPARE(box.dotsButton()->width(), 19);
    QCOMPARE(box.dotsButton()->y(), 2);

    // pressed it looks held down (dots one pixel right and down); moving out
    // releases it; releasing inside opens the colour dialog
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService *s = scripted.get();
    ScopedDialogService scope(std::move(scripted));
    QWidget *dots = box.dotsButton();
    dots->resize(19, 18);
    auto look = [&] {
        QImage image(dots->size(), QImage::Format_RGB32);
        dots->render(&image);
        return image;
    };
    const QImage released = look();
    QTest::mousePress(dots, Qt::LeftButton, {}, QPoint(9, 9));
    const QImage held = look();
    QVERIFY(held != released);
    QCOMPARE(held.pixelColor(6, 9), QColor(Qt::black)); // the first dot moved from x 5 to 6
    QCOMPARE(released.pixelColor(5, 8), QColor(Qt::black));
    QTest::mouseMove(dots, QPoint(40, 9));
    QMouseEvent moveOut(QEvent::MouseMove, QPointF(40, 9), QPointF(40, 9), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dots, &moveOut);
    QCOMPARE(look(), released);
    QMouseEvent moveIn(QEvent::MouseMove, QPointF(9, 9), QPointF(9, 9), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dots, &moveIn);
    s->answerColor(QColor(4, 5, 6));
    QTest::mouseRelease(dots, Qt::LeftButton, {}, QPoint(9, 9));
    QCOMPARE(box.Value(), rgbValue(4, 5, 6));
    QCOMPARE(look(), released);
}

void TestColorComboBox::customColourDialogKeepsItsColours()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService *s = scripted.get();
    ScopedDialogService scope(std::move(scripted));
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString ini = exe.dir().filePath(exe.completeBaseName() + QStringLiteral(".ini"));
    QFile::remove(ini);

    TColorComboBox box;
    box.setCustomColorSave(true);
    TColorSaveSetting where;
    where.Section = QStringLiteral("Colors");
    box.setCustomColorSaveOption(where);
    box.setValue(rgbValue(10, 20, 30));
    std::array<QColor, 16> custom;
    custom.fill(QColor(255, 255, 255));
    custom[0] = QColor(1, 2, 3);
    s->answerColor(QColor(50, 60, 70), custom);
    QSignalSpy changed(&box, &TColorComboBox::Change);
    box.chooseCustomColor();
    QCOMPARE(box.Value(), rgbValue(50, 60, 70));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(s->asked().back().kind, ScriptedDialogService::Asked::Kind::Color);
    const glyphreel::text::ProfileFile saved(ini);
    QCOMPARE(saved.readString(QStringLiteral("Colors"), QStringLiteral("ColorA"), {}), QStringLiteral("030201"));
    QCOMPARE(saved.readString(QStringLiteral("Colors"), QStringLiteral("ColorP"), {}), QStringLiteral("FFFFFF"));
    // the next dialog starts from the kept colours; a cancel changes nothing
    s->answerColor(std::nullopt);
    box.chooseCustomColor();
    QCOMPARE(s->lastCustomColors()[0], QColor(1, 2, 3));
    QCOMPARE(box.Value(), rgbValue(50, 60, 70));
    QCOMPARE(changed.count(), 1);
    QFile::remove(ini);
}

void TestColorComboBox::listShowsTheGivenNumberOfRows()
{
    QWidget window;
    window.resize(300, 200);
    TColorComboBox box(&window);
    windowConfiguration(box);
    box.setGeometry(10, 10, 150, 18);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const int count : {7, 16, 3}) {
        box.setMaxVisibleItems(count);
        const OpenList list = openList(box);
        QCOMPARE(list.rows, count);
        QVERIFY(list.scrolls); // 146 entries: the others are scrolled to
    }
}

void TestColorComboBox::rebuildingWritesTheValueBackWithItsEvents()
{
    TColorComboBox box;
    windowConfiguration(box);
    QWidget target;
    box.setChangeControl(&target);
    box.setValue(0x00FFFF00);
    std::vector<QString> events;
    connect(&box, &TColorComboBox::Change, &box, [&] { events.push_back(QStringLiteral("change")); });
    connect(&box, &TColorComboBox::Click, &box, [&] { events.push_back(QStringLiteral("click")); });
    box.setJapaneseText(false);
    QCOMPARE(box.currentText(), QStringLiteral("Cyan"));
    QCOMPARE(events, (std::vector<QString>{"change", "click"}));
    events.clear();
    box.setShowSysColor(true); // any rebuild
    QCOMPARE(box.currentText(), QStringLiteral("Cyan"));
    QCOMPARE(events, (std::vector<QString>{"change", "click"}));
}

void TestColorComboBox::lastValueWrittenIsTriedAgainWhenTheListFills()
{
    TColorComboBox box;
    box.setShowBasicColor(false);
    box.setShowCustomColor(false);
    QCOMPARE(box.count(), 0);
    box.setValue(0x000000FF); // red, with nothing to select yet
    QCOMPARE(box.Value(), TColorComboBox::kNoneMarker);
    QSignalSpy changes(&box, &TColorComboBox::Change);
    box.setShowBasicColor(true);
    QCOMPARE(box.currentText(), QStringLiteral("赤"));
    QCOMPARE(box.Value(), ColorValue(0x000000FF));
    QCOMPARE(changes.count(), 1);

    // with no value ever written the first entry is taken
    TColorComboBox fresh;
    fresh.setShowBasicColor(false);
    fresh.setShowCustomColor(false);
    fresh.setShowBasicColor(true);
    QCOMPARE(fresh.currentText(), QStringLiteral("黒"));
}

void TestColorComboBox::itemHeightComparesWithTheFontsPixelHeight()
{
    QWidget window;
    window.resize(300, 200);
    TColorComboBox box(&window);
    windowConfiguration(box);
    box.setGeometry(10, 10, 150, 18);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(box.ItemHeight(), 12);
    // a 12-pixel font fits 12-pixel rows, whatever its line spacing
    QFont twelve = box.font();
    twelve.setPixelSize(12);
    box.setFont(twelve);
    QVERIFY(QFontMetrics(twelve).height() > 12);
    QCOMPARE(openList(box).rowHeight, 12);
    // rows of 13 pixels keep the 12-pixel font
    box.setItemHeight(13);
    QCOMPARE(QFontInfo(box.font()).pixelSize(), 12);
    QCOMPARE(openList(box).rowHeight, 13);
    // rows lower than the font make it smaller, down to 12 pixels
    QFont sixteen = box.font();
    sixteen.setPixelSize(16);
    box.setFont(sixteen);
    QCOMPARE(openList(box).rowHeight, 16); // the rows grew to the font
    box.setItemHeight(14);
    QCOMPARE(QFontInfo(box.font()).pixelSize(), 14);
    QCOMPARE(openList(box).rowHeight, 14);
}

QTEST_MAIN(TestColorComboBox)
#include "test_colorcombobox.moc"
