// CP932 conversions: the extension rows the density table uses, damaged
// input, and characters CP932 cannot hold.

#include "platform/text/Cp932.h"

#include <QtTest>

using namespace glyphreel::text;

class TestText : public QObject {
    Q_OBJECT
private slots:
    void ibmExtensionRowsDecodeAsWindowsDoes();
    void roundTripsJapaneseText();
    void invalidBytesBecomeReplacementCharacters();
    void unencodableCharacterIsNamed();
};

void TestText::ibmExtensionRowsDecodeAsWindowsDoes()
{
    QCOMPARE(decodeCp932("\xFA\x40"), QString(QChar(0x2170)));
    QCOMPARE(decodeCp932("\xFB\xE7"), QString(QChar(0x9448)));
    QCOMPARE(decodeCp932("\xFA\x56"), QString(QChar(0xFF07)));
    QCOMPARE(decodeCp932("\x81\x40"), QString(QChar(0x3000)));
    // and back to the same rows, not the NEC-selected duplicates
    QCOMPARE(encodeCp932(QString(QChar(0x2170))), std::string("\xFA\x40"));
    QCOMPARE(encodeCp932(QString(QChar(0x9448))), std::string("\xFB\xE7"));
}

void TestText::roundTripsJapaneseText()
{
    const QString text = QStringLiteral("ｺﾏ№ || 全ｺﾏ数\r\nコマの削除 ＭＳ ゴシック");
    const std::string bytes = encodeCp932(text);
    QCOMPARE(bytes.substr(0, 2), std::string("\xBA\xCF")); // half-width katakana are single bytes
    QCOMPARE(decodeCp932(bytes), text);
    QCOMPARE(cp932ToUtf8(bytes), text.toStdString());
}

void TestText::invalidBytesBecomeReplacementCharacters()
{
    // A lead byte without its trail byte, in the middle and at the end.
    QCOMPARE(decodeCp932(std::string("A\x82" "B\x82", 4)), QStringLiteral("A\uFFFDB\uFFFD"));
    QCOMPARE(decodeCp932(std::string("\x81\x40", 2)), QStringLiteral("\u3000"));
}

void TestText::unencodableCharacterIsNamed()
{
    try {
        encodeCp932(QStringLiteral("a\u00E9b"));
        QFAIL("é was encoded");
    } catch (const EncodingError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("U+00E9")), e.what());
    }
}

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
