#include "output/FramePrinting.h"

#include "platform/rtf/RichTextConversion.h"

#include <QAbstractTextDocumentLayout>
#include <QPageSetupDialog>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace glyphreel::output {
namespace {

std::unique_ptr<PrintTarget> &installed()
{
    static std::unique_ptr<PrintTarget> target;
    return target;
}

} // namespace

SystemPrinter::SystemPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

SystemPrinter::~SystemPrinter() = default;

QPainter &SystemPrinter::beginDocument(const QString &name)
{
    // Without printers Qt falls back to a PDF file, with no name unless the
    // setup chose one: there is nothing to print on then.
    const bool toFile = printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty();
    if (!toFile && QPrinterInfo::availablePrinterNames().isEmpty())
        throw PrintError("デフォルト プリンタが存在しません");
    printer_->setDocName(name);
    printer_->setFullPage(false); // the printable area, origin at its corner
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        throw PrintError("プリンタ「" + printer_->printerName().toStdString() + "」に印刷できません");
    }
    return *painter_;
}

void SystemPrinter::endDocument()
{
    if (painter_)
        painter_->end();
    painter_.reset();
}

void SystemPrinter::setup(QWidget *parent)
{
    // Confirmed or not, the dialog changes the printer only when confirmed.
    QPageSetupDialog dialog(printer_.get(), parent);
    dialog.exec();
}

PrintTarget &printTarget()
{
    std::unique_ptr<PrintTarget> &target = installed();
    if (!target)
        target = std::make_unique<SystemPrinter>();
    return *target;
}

std::unique_ptr<PrintTarget> installPrintTarget(std::unique_ptr<PrintTarget> target)
{
    std::unique_ptr<PrintTarget> previous = std::move(installed());
    installed() = std::move(target);
    return previous;
}

int paintFrame(QPainter &painter, const std::string &memo, bool plainText, const QFont &baseFont)
{
    auto *device = dynamic_cast<QPagedPaintDevice *>(painter.device());
    if (!device)
        throw PrintError("ページのない装置には印刷できません");
    // Sizes in points, so that the device's resolution gives them their
    // size on paper: the editor's font is often given in screen pixels.
    QFont font = baseFont;
    font.setPointSizeF(rtf::pointSizeOf(baseFont, 96));
    QTextDocument document;
    document.documentLayout()->setPaintDevice(device);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    rtf::loadMemo(memo, plainText, document, font.pointSizeF());
    const QSizeF page(device->width(), device->height());
    document.setPageSize(page);

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    const int pages = std::max(1, document.pageCount());
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device->newPage();
        painter.save();
        const QRectF area(0, i * page.height(), page.width(), page.height());
        painter.translate(0, -area.top());
        context.clip = area;
        painter.setClipRect(area);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return pages;
}

void printFrame(PrintTarget &target, const std::string &memo, bool plainText, const QFont &baseFont)
{
    QPainter &painter = target.beginDocument(QStringLiteral("0"));
    try {
        paintFrame(painter, memo, plainText, baseFont);
    } catch (...) {
        target.endDocument();
        throw;
    }
    target.endDocument();
}

} // namespace glyphreel::output
