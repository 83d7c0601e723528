#pragma once
// Draws a frame as the editor shows it, without an editor: the frame's
// stored bytes are parsed and laid out once (a prepared frame, which may be
// made on another thread), then drawn from a cache of glyph coverage masks
// per font, glyph and sub-pixel phase. Drawing a prepared page of 160 x 120
// cells, each of its own colour, takes a few milliseconds instead of the
// hundred and more a text box needs to take, lay out and paint it.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QString>

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
// layout places them.
struct PlacedRun {
    int font = 0; // index into PreparedFrame::fonts
    QRgb color = 0;
    bool underline = false;
    bool strikeOut = false;
    float baseline = 0;
    std::vector<quint32> glyphs;
    std::vector<float> x; // each glyph's pen position
    float left = 0;
    float right = 0;
};

// A frame parsed and laid out, ready to draw.
struct PreparedFrame {
    std::vector<QRawFont> fonts;
    std::vector<PlacedRun> runs;
};

// Parses and lays out the stored bytes of a frame (CP932 text, or the
// control's RTF in a rich project) with the editor's own text layout, so
// that fonts, substitutions, glyph choices, line heights, margins and tab
// stops are the editor's. Safe to call on any thread.
PreparedFrame prepareFrame(const std::string &memo, const FrameLook &look);

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
