// The font name combo box on a catalogue built from a list, and the real
// catalogue of this machine.

#include "widgets/FontNameComboBox.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace glyphreel::widgets;
namespace ff = glyphreel::widgets::fontflags;

namespace {

FontCatalog testCatalog()
{
    std::vector<FontCatalogEntry> screen{
        {"Arial", ff::trueType},
        {"@ＭＳ ゴシック", ff::trueType | ff::fixedPitch | ff::charset(128)},
        {"ＭＳ ゴシック", ff::trueType | ff::fixedPitch | ff::charset(128)},
        {"ＭＳ ゴシック", ff::trueType | ff::charset(0)}, // the same face in another character set
        {"Symbol", ff::trueType | ff::charset(2)},
        {"Fixedsys", ff::raster | ff::fixedPitch},
        {"Courier", ff::raster | ff::fixedPitch},
        {"Modern", ff::vector},
    };
    std::vector<FontCatalogEntry> printer{
        {"Courier", ff::device | ff::fixedPitch},  // on the screen too
        {"Printer Gothic", ff::device | ff::charset(128)}, // only on the printer
    };
    return FontCatalog(std::move(screen), std::move(printer));
}

QStringList rows(const TFontNameComboBox &box)
{
    QStringList names;
    for (int i = 0; i < box.count(); ++i)
        names << box.itemText(i);
    return names;
}

} // namespace

class TestFontNameComboBox : public QObject {
    Q_OBJECT
private slots:
    void catalogueMergesFacesAndPrinterFonts();
    void verticalFacesNeedTheirFilter();
    void printerOnlyFacesFollowThePrinterFilter();
    void exclusiveFiltersRequireOneType();
    void valueSelectsTheFirstRowWhenNotListed();
    void visibleAndInvisibleNamesExcludeEachOther();
    void iconsAreDrawnByExclusiveOr();
    void rowHeightFollowsTheBox();
    void realCatalogueOffersTheJapaneseFonts();
};

void TestFontNameComboBox::catalogueMergesFacesAndPrinterFonts()
{
    const FontCatalog c = testCatalog();
    QStringList names;
    for (const auto &e : c.entries())
        names << e.name;
    QCOMPARE(names.count(QStringLiteral("ＭＳ ゴシック")), 1);
    QVERIFY(names.contains(QStringLiteral("Printer Gothic")));
    for (const auto &e : c.entries()) {
        if (e.name == QStringLiteral("ＭＳ ゴシック"))
            QCOMPARE(e.flags & 0x00FF0000u, ff::charset(128)); // the first report is kept
        if (e.name == QStringLiteral("Courier"))
            QVERIFY((e.flags & ff::onPrinter) && !(e.flags & ff::printerOnly) && (e.flags & ff::device));
        if (e.name == QStringLiteral("Printer Gothic"))
            QVERIFY((e.flags & ff::onPrinter) && (e.flags & ff::printerOnly));
    }
    QVERIFY(std::is_sorted(c.entries().begin(), c.entries().end(), [](const auto &a, const auto &b) {
        return QString::localeAwareCompare(a.name.toLower(), b.name.toLower()) < 0;
    }));
}

void TestFontNameComboBox::verticalFacesNeedTheirFilter()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    QVERIFY(!rows(box).contains(QStringLiteral("@ＭＳ ゴシック")));
    box.setCollectFilters(static_cast<TFontNameFilters>(box.CollectFilters() | fnf(fnfLyingFont)));
    QVERIFY(rows(box).contains(QStringLiteral("@ＭＳ ゴシック")));
}

void TestFontNameComboBox::printerOnlyFacesFollowThePrinterFilter()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    QVERIFY(rows(box).contains(QStringLiteral("Printer Gothic")));
    box.setCollectFilters(static_cast<TFontNameFilters>(255 & ~fnf(fnfPrinter)));
    QVERIFY(!rows(box).contains(QStringLiteral("Printer Gothic")));
    QVERIFY(rows(box).contains(QStringLiteral("Courier"))); // on screen and printer
    box.setCollectFilters(255);
    const int courier = static_cast<int>(rows(box).indexOf(QStringLiteral("Courier")));
    const int printerOnly = static_cast<int>(rows(box).indexOf(QStringLiteral("Printer Gothic")));
    QCOMPARE(box.iconOf(courier), 2);
    QCOMPARE(box.iconOf(printerOnly), 2);
    QCOMPARE(box.iconOf(static_cast<int>(rows(box).indexOf(QStringLiteral("Arial")))), 1);
    QCOMPARE(box.iconOf(static_cast<int>(rows(box).indexOf(QStringLiteral("Fixedsys")))), 0);
}

void TestFontNameComboBox::exclusiveFiltersRequireOneType()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    box.setExclusiveFilters(fnf(fnfTrueType));
    QCOMPARE(rows(box), (QStringList{"Arial", "Symbol", "ＭＳ ゴシック"}));
    box.setExclusiveFilters(static_cast<TFontNameFilters>(fnf(fnfTrueType) | fnf(fnfRaster)));
    QCOMPARE(box.ExclusiveFilters(), fnf(fnfRaster));
    QCOMPARE(rows(box), (QStringList{"Courier", "Fixedsys"}));
    box.setExclusiveFilters(static_cast<TFontNameFilters>(fnf(fnfRaster) | fnf(fnfFixedPitch)));
    QCOMPARE(rows(box), (QStringList{"Courier", "Fixedsys"}));
}

void TestFontNameComboBox::valueSelectsTheFirstRowWhenNotListed()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    QWidget linked;
    box.setValue(QStringLiteral("symbol")); // names match without regard to case
    QCOMPARE(box.Value(), QStringLiteral("Symbol"));
    box.setChangeControl(&linked); // takes the control's font name: not listed -> first row
    QSignalSpy changed(&box, &TFontNameComboBox::OnChange);
    box.setValue(QStringLiteral("Nothing Like It"));
    QCOMPARE(box.currentIndex(), 0);
    QCOMPARE(linked.font().family(), box.Value());
    const int before = static_cast<int>(changed.count());
    box.setValue(QStringLiteral("Nothing Else"));
    QCOMPARE(changed.count(), before); // row 0 already selected: nothing changes
    box.setValue(QStringLiteral("Symbol"));
    QCOMPARE(changed.count(), before + 1);
    QCOMPARE(linked.font().family(), QStringLiteral("Symbol"));
}

void TestFontNameComboBox::visibleAndInvisibleNamesExcludeEachOther()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    box.setInvisibleFontNames({QStringLiteral("Arial"), QStringLiteral("Modern")});
    QVERIFY(!rows(box).contains(QStringLiteral("Arial")));
    box.setExclusiveFilters(fnf(fnfRaster));
    box.setVisibleFontNames({QStringLiteral("Arial")});
    QCOMPARE(box.InvisibleFontNames(), QStringList{QStringLiteral("Modern")});
    QVERIFY(rows(box).contains(QStringLiteral("Arial"))); // listed whatever the filters say
    box.setInvisibleFontNames({QStringLiteral("Arial")});
    QVERIFY(box.VisibleFontNames().isEmpty());
    QVERIFY(!rows(box).contains(QStringLiteral("Arial")));
}

void TestFontNameComboBox::iconsAreDrawnByExclusiveOr()
{
    const FontCatalog c = testCatalog();
    TFontNameComboBox box(nullptr, c);
    const int arial = static_cast<int>(rows(box).indexOf(QStringLiteral("Arial")));
    QImage image(120, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    box.drawRow(p, QRect(0, 0, 120, 16), arial, false);
    p.end();
    const QImage icon = trueTypeIcon();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb expected = (~icon.pixel(x, y) & 0xFFFFFF) | 0xFF000000; // white XOR icon
            QCOMPARE(image.pixel(2 + x, y) | 0xFF000000, expected);
        }
    box.setIconVisible(false);
    QImage plain(120, 16, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QPainter q(&plain);
    box.drawRow(q, QRect(0, 0, 120, 16), arial, false);
    q.end();
    QCOMPARE(plain.pixelColor(9, 4), QColor(Qt::white)); // no icon
}

void TestFontNameComboBox::rowHeightFollowsTheBox()
{
    const FontCatalog c = testCatalog();
    QWidget window;
    TFontNameComboBox box(&window, c);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    box.resize(124, 20);
    QCOMPARE(box.ItemHeight(), 14);
}

void TestFontNameComboBox::realCatalogueOffersTheJapaneseFonts()
{
    registerFontAlias(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    TFontNameComboBox box;
    const QStringList names = rows(box);
    QVERIFY(names.contains(QStringLiteral("IPAGothic")));
    QVERIFY(names.contains(QStringLiteral("IPAMincho")));
    QVERIFY(names.contains(QStringLiteral("ＭＳ ゴシック")));
    box.setValue(QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(box.Value(), QStringLiteral("ＭＳ ゴシック"));
    box.setExclusiveFilters(static_cast<TFontNameFilters>(fnf(fnfJapanese) | fnf(fnfFixedPitch)));
    QVERIFY(rows(box).contains(QStringLiteral("IPAGothic")));
    QVERIFY(!rows(box).contains(QStringLiteral("IPAPGothic")));
}

QTEST_MAIN(TestFontNameComboBox)
#include "test_fontnamecombobox.moc"
