// The font name combo box on a catalogue built from a list, and the real
// catalogue of this machine.

#include "widgets/FontNameComboBox.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QScrollBar>
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
    void initTestCase();
    void catalogueMergesFacesAndPrinterFonts();
    void verticalFacesNeedTheirFilter();
    void printerOnlyFacesFollowThePrinterFilter();
    void exclusiveFiltersRequireOneType();
    void valueSelectsTheFirstRowWhenNotListed();
    void visibleAndInvisibleNamesExcludeEachOther();
    void iconsAreDrawnByExclusiveOr();
    void rowHeightFollowsTheBox();
    void realCatalogueOffersTheJapaneseFonts();
    void realCatalogueListsEachFamilyOnceUnderItsName();
    void listShowsItsDropDownCount();
};

void TestFontNameComboBox::initTestCase()
{
    // The names the application makes stand for the installed IPA faces,
    // in Japanese and in English.
    const std::pair<const char16_t *, const char16_t *> aliases[] = {
        {u"ＭＳ ゴシック", u"IPAGothic"}, {u"ＭＳ Ｐゴシック", u"IPAPGothic"}, {u"ＭＳ 明朝", u"IPAMincho"},
        {u"ＭＳ Ｐ明朝", u"IPAPMincho"},  {u"MS Gothic", u"IPAGothic"},       {u"MS PGothic", u"IPAPGothic"},
        {u"MS Mincho", u"IPAMincho"},     {u"MS PMincho", u"IPAPMincho"},
    };
    for (const auto &[name, face] : aliases)
        registerFontAlias(QString::fromUtf16(name), QString::fromUtf16(face));
}

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
    // sorted without regard to case, a full-width name among the half-width ones
    QCOMPARE(names, (QStringList{"@ＭＳ ゴシック", "Arial", "Courier", "Fixedsys", "Modern", "ＭＳ ゴシック",
                                 "Printer Gothic", "Symbol"}));
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
    QCOMPARE(rows(box), (QStringList{"Arial", "ＭＳ ゴシック", "Symbol"}));
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

void TestFontNameComboBox::realCatalogueListsEachFamilyOnceUnderItsName()
{
    TFontNameComboBox box;
    const QStringList names = rows(box);
    for (const QString &name : names) {
        QVERIFY2(!name.contains(u'['), qPrintable(name)); // no foundry forms
        for (const char *generic : {"Monospace", "Sans Serif", "Serif", "Sans", "Mono"})
            QVERIFY2(name.compare(QLatin1String(generic), Qt::CaseInsensitive) != 0, qPrintable(name));
        QVERIFY2(names.count(name) == 1, qPrintable(name));
    }
    // each installed family once, by its own name
    for (const char *family : {"C059", "Nimbus Sans", "Nimbus Roman", "URW Gothic", "DejaVu Sans", "IPAGothic",
                               "IPAPMincho"})
        QVERIFY2(names.contains(QLatin1String(family)), family);
    // the Japanese names the application gives, not their English twins
    const QStringList japanese{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("ＭＳ Ｐゴシック"),
                               QStringLiteral("ＭＳ 明朝"), QStringLiteral("ＭＳ Ｐ明朝")};
    for (const QString &name : japanese)
        QVERIFY2(names.contains(name), qPrintable(name));
    for (const char *english : {"MS Gothic", "MS PGothic", "MS Mincho", "MS PMincho"})
        QVERIFY2(!names.contains(QLatin1String(english), Qt::CaseInsensitive), english);

    // Sorted without regard to case; the full-width names stand under M,
    // where a Japanese user looks for them.
    QStringList halfWidth;
    for (const QString &name : names)
        if (!japanese.contains(name))
            halfWidth << name;
    for (qsizetype i = 1; i < halfWidth.size(); ++i)
        QVERIFY2(halfWidth[i - 1].compare(halfWidth[i], Qt::CaseInsensitive) < 0,
                 qPrintable(halfWidth[i - 1] + QStringLiteral(" / ") + halfWidth[i]));
    for (const QString &name : japanese) {
        const qsizetype at = names.indexOf(name);
        QVERIFY2(japanese.contains(names[at - 1])
                     || (names[at - 1].toUpper() >= QStringLiteral("I") && names[at - 1].toUpper() < QStringLiteral("N")),
                 qPrintable(names[at - 1]));
        QVERIFY2(names[at + 1].toUpper() >= QStringLiteral("M") || japanese.contains(names[at + 1]),
                 qPrintable(names[at + 1]));
    }
    QVERIFY(names.indexOf(QStringLiteral("IPAPMincho")) < names.indexOf(QStringLiteral("ＭＳ ゴシック")));
    QVERIFY(names.indexOf(QStringLiteral("ＭＳ 明朝")) < names.indexOf(QStringLiteral("Nimbus Mono PS")));
}

void TestFontNameComboBox::listShowsItsDropDownCount()
{
    QWidget window;
    window.resize(300, 200);
    TFontNameComboBox box(&window);
    box.setGeometry(10, 10, 124, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(box.count() > 12);
    for (const int count : {12, 5}) {
        box.setMaxVisibleItems(count);
        box.showPopup();
        QAbstractItemView *view = box.view();
        QVERIFY(QTest::qWaitFor([&] { return view->window()->isVisible(); }));
        // rows seen whole from top to bottom (long names are cut at the right)
        int seen = 0;
        for (int i = 0; i < box.count(); ++i) {
            const QRect r = view->visualRect(view->model()->index(i, 0));
            if (r.top() >= 0 && r.bottom() < view->viewport()->height())
                ++seen;
        }
        QCOMPARE(seen, count);
        QVERIFY(view->verticalScrollBar()->isVisible());
        box.hidePopup();
    }
}

QTEST_MAIN(TestFontNameComboBox)
#include "test_fontnamecombobox.moc"
