#pragma once
// Frames on paper: each frame a document of its own named "0", its text in
// its own fonts, sizes and colours laid out on the printable area of the
// page (lines longer than the page wrap, a long frame goes on over further
// pages), the background left out. Text with no colour of its own comes out
// in black: the editor's base colour is chosen for its screen background,
// and white art on white paper would print nothing.

#include <QFont>
#include <QString>

#include <memory>
#include <stdexcept>
#include <string>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

namespace glyphreel::output {

class PrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where documents go. The application's is the current printer, one job
// per document; a test's or the command line's may be PDF files.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    // Starts a document and gives the painter of its first page, on a
    // paged device. Throws PrintError when there is nothing to print on.
    virtual QPainter &beginDocument(const QString &name) = 0;
    // Ends the document begun last.
    virtual void endDocument() = 0;
    // The printer setup dialog (the current printer's paper and device).
    virtual void setup(QWidget *parent) = 0;
};

// The system's current printer: the default printer until the setup dialog
// chooses another. Without any printer, beginning a document throws
// "デフォルト プリンタが存在しません".
class SystemPrinter : public PrintTarget {
public:
    SystemPrinter();
    ~SystemPrinter() override;
    QPainter &beginDocument(const QString &name) override;
    void endDocument() override;
    void setup(QWidget *parent) override;
    QPrinter &printer() { return *printer_; }

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
};

// The target in force (the system printer unless another was installed),
// and the installing, which gives back the previous one.
PrintTarget &printTarget();
std::unique_ptr<PrintTarget> installPrintTarget(std::unique_ptr<PrintTarget> target);

// Paints a frame's pages with a painter on a paged device, from its current
// page on (further pages are begun here), at the device's resolution:
// baseFont is the editor's font (in pixels at 96 dpi or in points).
// Returns the number of pages.
int paintFrame(QPainter &painter, const std::string &memo, bool plainText, const QFont &baseFont);

// One frame as one document named "0".
void printFrame(PrintTarget &target, const std::string &memo, bool plainText, const QFont &baseFont);

} // namespace glyphreel::output
