// Printing through the main window's commands: each frame a document of its
// own named "0", written here as PDF files (a real printer cannot run in a
// test; the files go through the same painting), read back with poppler's
// pdfinfo, pdftotext and pdftoppm.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "output/FramePrinting.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QtTest>

using namespace glyphreel;

namespace {

// Each document a PDF file of its own, numbered in the order printed.
class PdfDocuments : public output::PrintTarget {
public:
    explicit PdfDocuments(QString folder) : folder_(std::move(folder)) {}
    QPainter &beginDocument(const QString &name) override
    {
        names << name;
        writer_ = std::make_unique<QPdfWriter>(QDir(folder_).filePath(QStringLiteral("%1.pdf").arg(names.size())));
        writer_->setTitle(name);
        writer_->setResolution(300);
        writer_->setPageSize(QPageSize(QPageSize::A4));
        painter_ = std::make_unique<QPainter>(writer_.get());
        return *painter_;
    }
    void endDocument() override
    {
        painter_.reset();
        writer_.reset();
    }
    void setup(QWidget *) override { ++setups; }

    QStringList names;
    int setups = 0;

private:
    QString folder_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
};

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pages(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString textOf(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

// The first page as a picture, 50 dpi.
QImage pageImage(const QString &pdf, const QString &folder)
{
    const QString prefix = QDir(folder).filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-f"), QStringLiteral("1"),
                                     QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyFrameIsADocumentOfItsOwn();
    void theCurrentFrameAfterConfirmation();
    void colouredTextWithoutTheBackground();
    void withoutAPrinterTheErrorEndsTheRun();
    void printCommandWritesOnePdf();

private:
    void openProject(bool rich, const std::vector<std::string> &memos);
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    dialogs::ScriptedDialogService *s_ = nullptr;
    PdfDocuments *target_ = nullptr;
    std::unique_ptr<output::PrintTarget> previous_;
    TMakeForm1 *f_ = nullptr;
};

void TestPrinting::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
}

void TestPrinting::init()
{
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    dir_ = std::make_unique<TempDir>();
    QDir().mkpath(dir_->path(QStringLiteral("out")));
    auto target = std::make_unique<PdfDocuments>(dir_->path(QStringLiteral("out")));
    target_ = target.get();
    previous_ = output::installPrintTarget(std::move(target));
}

void TestPrinting::cleanup()
{
    output::installPrintTarget(std::move(previous_));
    if (f_->Query1->active())
        f_->Query1->close();
    scope_.reset();
    dir_.reset();
}

void TestPrinting::openProject(bool rich, const std::vector<std::string> &memos)
{
    std::vector<testsupport::FrameRow> rows;
    for (const std::string &m : memos)
        rows.push_back({m, {}});
    testsupport::writeFrameTable(dir_->root(), "movie", rich, rows);
    const QString td = dir_->path(QStringLiteral("movie.td"));
    text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), rich ? QStringLiteral("0") : QStringLiteral("1"));
    f_->openProject(td);
    QVERIFY(f_->Query1->active());
}

void TestPrinting::everyFrameIsADocumentOfItsOwn()
{
    std::string longFrame;
    for (int i = 1; i <= 400; ++i)
        longFrame += "line " + std::to_string(i) + "\r\n";
    openProject(false, {text::encodeCp932(QStringLiteral("一コマ目の絵\r\n")), longFrame, std::string()});
    s_->answerConfirm(dialogs::Answer::Yes);
    f_->N15Click();
    QCOMPARE(s_->asked().back().text, QStringLiteral("すべてのコマをプリントします。よろしいですか？"));
    QCOMPARE(target_->names, (QStringList{"0", "0", "0"}));
    const QString out = dir_->path(QStringLiteral("out"));
    QVERIFY(textOf(out + QStringLiteral("/1.pdf")).contains(QStringLiteral("一コマ目の絵")));
    QCOMPARE(pages(out + QStringLiteral("/1.pdf")), 1);
    // A long frame goes on over further pages of its document.
    QVERIFY(pages(out + QStringLiteral("/2.pdf")) > 1);
    const QString all = textOf(out + QStringLiteral("/2.pdf"));
    QVERIFY(all.contains(QStringLiteral("line 1\n")) && all.contains(QStringLiteral("line 400")));
    // A frame without text: one blank page.
    QCOMPARE(pages(out + QStringLiteral("/3.pdf")), 1);
    QCOMPARE(textOf(out + QStringLiteral("/3.pdf")).trimmed(), QString());
    // The last frame stays current.
    QCOMPARE(f_->Query1->recNo(), 3);
    QCOMPARE(f_->Edit2->text(), QStringLiteral("3"));

    // "No" prints nothing.
    s_->answerConfirm(dialogs::Answer::No);
    f_->N15Click();
    QCOMPARE(target_->names.size(), 3);
}

void TestPrinting::theCurrentFrameAfterConfirmation()
{
    openProject(false, {"first\r\n", "second\r\n", "third\r\n"});
    f_->Query1->first();
    f_->Query1->next();
    s_->answerConfirm(dialogs::Answer::No);
    f_->N6Click();
    QCOMPARE(s_->asked().back().text, QStringLiteral("現在のコマをプリントします。よろしいですか？"));
    QVERIFY(target_->names.isEmpty());
    s_->answerConfirm(dialogs::Answer::Yes);
    f_->N6Click();
    QCOMPARE(target_->names, QStringList{"0"});
    QVERIFY(textOf(dir_->path(QStringLiteral("out/1.pdf"))).contains(QStringLiteral("second")));
    QCOMPARE(f_->Query1->recNo(), 2);
    // What is typed and not yet stored is what the editor shows: printed.
    f_->DBRichEdit0->moveCursor(QTextCursor::Start);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("typed "));
    s_->answerConfirm(dialogs::Answer::Yes);
    f_->N6Click();
    QVERIFY(textOf(dir_->path(QStringLiteral("out/2.pdf"))).contains(QStringLiteral("typed second")));
    f_->G1Click();
    QCOMPARE(target_->setups, 1);
}

void TestPrinting::colouredTextWithoutTheBackground()
{
    rtf::RtfDocument doc;
    doc.paragraphs.emplace_back();
    for (const auto &[text, colour] : std::vector<std::pair<QString, QColor>>{{QStringLiteral("■■■■赤"), Qt::red},
                                                                               {QStringLiteral("■■■■自"), QColor()}}) {
        rtf::RtfRun run;
        run.text = text;
        run.font = QStringLiteral("ＭＳ ゴシック");
        run.sizePt = 36;
        if (colour.isValid())
            run.color = {rtf::RtfColor::Kind::Rgb, colour};
        doc.paragraphs.back().push_back(run);
    }
    openProject(true, {rtf::writeRtf(doc)});
    s_->answerConfirm(dialogs::Answer::Yes);
    f_->N6Click();
    const QImage page = pageImage(dir_->path(QStringLiteral("out/1.pdf")), dir_->root());
    QVERIFY(!page.isNull());
    int white = 0, red = 0, black = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            white += c.red() > 240 && c.green() > 240 && c.blue() > 240;
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            black += c.red() < 40 && c.green() < 40 && c.blue() < 40;
        }
    // The editor's black background is not printed; the text is, red in
    // its own colour and black where it has none.
    QVERIFY(white > page.width() * page.height() * 9 / 10);
    QVERIFY(red > 50);
    QVERIFY(black > 50);
}

void TestPrinting::withoutAPrinterTheErrorEndsTheRun()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this machine has a printer");
    output::installPrintTarget(std::make_unique<output::SystemPrinter>());
    target_ = nullptr;
    openProject(false, {"a\r\n", "b\r\n", "c\r\n"});
    f_->Query1->last();
    s_->answerConfirm(dialogs::Answer::Yes);
    f_->N15->trigger();
    QCOMPARE(s_->asked().back().kind, dialogs::ScriptedDialogService::Asked::Kind::Exception);
    QCOMPARE(s_->asked().back().text, QStringLiteral("デフォルト プリンタが存在しません"));
    // The loop ended at the first frame.
    QCOMPARE(f_->Query1->recNo(), 1);
}

// The command line: every frame from a new page of one PDF, or the one
// asked for; failures leave nothing at the output's name.
void TestPrinting::printCommandWritesOnePdf()
{
    std::string longFrame;
    for (int i = 1; i <= 400; ++i)
        longFrame += "row " + std::to_string(i) + "\r\n";
    std::vector<testsupport::FrameRow> rows{{"alpha\r\n", {}}, {longFrame, {}}, {std::string(), {}}};
    testsupport::writeFrameTable(dir_->root(), "cli", false, rows);
    const QString td = dir_->path(QStringLiteral("cli.td"));
    text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), QStringLiteral("1"));
    const QString pdf = dir_->path(QStringLiteral("all.pdf"));
    testsupport::Run r = testsupport::runGlyphreel({QStringLiteral("print"), td, pdf});
    QCOMPARE(r.exitCode, 0);
    const int all = pages(pdf);
    QVERIFY2(all >= 4, qPrintable(QString::number(all))); // 1 + the long frame's pages + 1 blank
    QVERIFY(textOf(pdf).contains(QStringLiteral("alpha")));
    QVERIFY(textOf(pdf).contains(QStringLiteral("row 400")));

    const QString one = dir_->path(QStringLiteral("one.pdf"));
    r = testsupport::runGlyphreel({QStringLiteral("print"), td, one, QStringLiteral("--frame"), QStringLiteral("1")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(pages(one), 1);
    QVERIFY(textOf(one).contains(QStringLiteral("alpha")));

    const QString none = dir_->path(QStringLiteral("none.pdf"));
    r = testsupport::runGlyphreel({QStringLiteral("print"), td, none, QStringLiteral("--frame"), QStringLiteral("7")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("コマ № 7")));
    QVERIFY(!QFile::exists(none));
    r = testsupport::runGlyphreel({QStringLiteral("print"), dir_->path(QStringLiteral("missing.td")), none});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!QFile::exists(none));
    r = testsupport::runGlyphreel({QStringLiteral("print"), td});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(QDir(dir_->root()).entryList({QStringLiteral("*.pdf")}, QDir::Files), (QStringList{"all.pdf", "one.pdf"}));
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestPrinting test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_printing.moc"
