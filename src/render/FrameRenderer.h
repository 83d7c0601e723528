#pragma once
// Draws a frame as the editor shows it, without an editor: the frame's
// stored bytes are parsed (on any thread) and laid out once (a prepared
// frame, on the thread that draws), then drawn from a cache of glyph coverage masks
// per font, glyph and sub-pixel phase. Drawing a prepared page of 160 x 120
// cells, each of its own colour, takes a few milliseconds instead of the
// hundred and more a text box needs to take, lay out and paint it.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QString>

#include "platform/rtf/RtfDocument.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace glyphreel::render {

// How the project shows its frames: the editor's text type, font and
// colours.
struct FrameLook {
    bool plainText = true;
    QFont baseFont;              // the editor's own font
    QColor textColor = Qt::white; // text without a colour of its own
    QColor background = Qt::black;
    double margin = 4;            // the text's distance from the edges
    double dpi = 96;              // the screen's logical resolution, for sizes in points
};

// A run of glyphs in one font and colour, placed as the editor's text
// layout places them: glyphs [begin, end) of the frame's arrays.
struct PlacedRun {
    int font = 0; // index into PreparedFrame::fonts
    QRgb color = 0;
    bool underline = false;
    bool strikeOut = false;
    float baseline = 0;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    float left = 0;  // where a line under or through the run starts
    float right = 0; // and ends
};

// A frame parsed and laid out, ready to draw. Flat arrays: a colour page
// has a run per character, and a frame is kept while the preview plays.
struct PreparedFrame {
    std::vector<QRawFont> fonts;
    std::vector<PlacedRun> runs;
    std::vector<quint32> glyphs;
    std::vector<float> x; // each glyph's pen position
    // How its lines were laid out: straight from the font, by the text
    // layout, or (the whole frame) through a text document.
    struct Ways {
        int byAdvances = 0;
        int byTextLayout = 0;
        bool throughDocument = false;
    } ways;
    // Roughly what the frame holds in memory, for caches that keep frames.
    std::size_t bytes() const;
};

// A frame's stored bytes read into lines and runs: plain data, which any
// thread may make, so that the next frames are read while one plays.
struct ParsedFrame {
    bool plainText = true;
    rtf::RtfDocument document;
    std::string memo; // for the rare frame only a whole document lays out
};
ParsedFrame parseFrame(std::string memo, bool plainText);

// Lays out a parsed frame with the editor's own text layout, so that fonts,
// substitutions, glyph choices, line heights, margins and tab stops are the
// editor's. On the thread that draws: fonts belong to the thread that loads
// them.
//
// Each line is shaped once per font rather than once per colour: colour art
// has a colour per character but one font, and shaping a character at a
// time is what makes a text box slow with it. A line in one font of a face
// that places glyphs by their advances alone (no positioning tables, no
// ligatures by default) is placed straight from the font, as the layout
// would place it. Lines the quick ways cannot place exactly (control
// characters, marks, glyphs that are not one per character) go through a
// whole text document instead.
PreparedFrame layoutFrame(const ParsedFrame &parsed, const FrameLook &look);

// Both steps at once.
PreparedFrame prepareFrame(const std::string &memo, const FrameLook &look);

// Always through a whole text document as the editor builds it: the
// reference the quick ways are held to.
PreparedFrame prepareFrameThroughDocument(const std::string &memo, const FrameLook &look);

class FrameRenderer {
public:
    FrameRenderer();
    ~FrameRenderer();

    // Fills the image with the background and draws the frame, its top
    // left corner at the image's.
    void draw(QImage &target, const PreparedFrame &frame, const FrameLook &look);
    QImage render(const PreparedFrame &frame, const FrameLook &look, const QSize &size);

private:
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

} // namespace glyphreel::render
