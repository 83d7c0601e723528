#pragma once
// A drop-down list of font names from one process-wide catalogue of the
// system's fonts, filtered per control by font type and features, with a
// TrueType or printer icon before each name.

#include "widgets/OwnerDrawnComboBox.h"

#include <QImage>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <vector>

enum TFontNameFilter {
    fnfDevice,
    fnfVector,
    fnfRaster,
    fnfTrueType,
    fnfPrinter,
    fnfSymbolFont,
    fnfJapanese,
    fnfFixedPitch,
    fnfLyingFont,
};
using TFontNameFilters = std::uint16_t;
constexpr TFontNameFilters fnf(TFontNameFilter f) { return static_cast<TFontNameFilters>(1u << f); }

enum TFontIconPriority { fipTrueType, fipPrinter };

namespace glyphreel::widgets {

struct FontCatalogEntry {
    QString name;
    std::uint32_t flags = 0;
};

// Flag bits of a catalogue entry.
namespace fontflags {
constexpr std::uint32_t raster = 1u << 0;
constexpr std::uint32_t device = 1u << 1;
constexpr std::uint32_t trueType = 1u << 2;
constexpr std::uint32_t vector = 1u << 9;
constexpr std::uint32_t fixedPitch = 1u << 10;
constexpr std::uint32_t printerOnly = 1u << 11;
constexpr std::uint32_t onPrinter = 1u << 31;
constexpr std::uint32_t charset(int cs) { return static_cast<std::uint32_t>(cs) << 16; }
} // namespace fontflags

class FontCatalog {
public:
    // The screen's faces (merged per name, first report kept) and the
    // printer's, sorted; printer faces add their flags or come in as
    // printer-only.
    FontCatalog(std::vector<FontCatalogEntry> screen, std::vector<FontCatalogEntry> printer);
    // The process-wide catalogue, built on first use from the system's
    // fonts and the registered substitutions. There are no printer fonts.
    static const FontCatalog &instance();

    const std::vector<FontCatalogEntry> &entries() const { return entries_; }
    // The attribute set of an entry; `forFilter` gives fnfPrinter only to
    // printer-only faces.
    static TFontNameFilters attributes(const FontCatalogEntry &entry, bool forFilter);

private:
    std::vector<FontCatalogEntry> entries_;
};

// Makes a font name stand for an installed face (QFont substitution) and
// offers it in the catalogue. Call before the catalogue is first used.
void registerFontAlias(const QString &name, const QString &substitute);

QImage trueTypeIcon();
QImage deviceTypeIcon();

} // namespace glyphreel::widgets

class TFontNameComboBox : public OwnerDrawnComboBox {
    Q_OBJECT
public:
    explicit TFontNameComboBox(QWidget *parent = nullptr,
                               const glyphreel::widgets::FontCatalog &catalog = glyphreel::widgets::FontCatalog::instance());

    QString Value() const;
    void setValue(const QString &name);
    // Shows a name in the box without applying it (no change steps): a
    // listed name is selected; any other is shown with no row selected and
    // is not added to the list, and Value() stays empty.
    void showName(const QString &name);
    // The name the box shows: the selected row's, or the unlisted one given
    // to showName.
    QString shownName() const;
    TFontNameFilters CollectFilters() const { return collect_; }
    void setCollectFilters(TFontNameFilters v);
    TFontNameFilters ExclusiveFilters() const { return exclusive_; }
    void setExclusiveFilters(TFontNameFilters v);
    QStringList VisibleFontNames() const { return visible_; }
    void setVisibleFontNames(const QStringList &names);
    QStringList InvisibleFontNames() const { return invisible_; }
    void setInvisibleFontNames(const QStringList &names);
    bool IconVisible() const { return iconVisible_; }
    void setIconVisible(bool v);
    TFontIconPriority IconPriority() const { return iconPriority_; }
    void setIconPriority(TFontIconPriority v);
    bool TextFontFace() const { return textFontFace_; }
    void setTextFontFace(bool v);
    QWidget *ChangeControl() const { return changeControl_; }
    void setChangeControl(QWidget *control);

    // The icon drawn before row i: 0 none, 1 TrueType, 2 printer.
    int iconOf(int row) const;
    void drawRow(QPainter &painter, const QRect &rect, int row, bool selected) const { drawItem(painter, rect, row, selected, false); }
    void drawItem(QPainter &painter, const QRect &rect, int row, bool selected, bool inEditField) const override;

signals:
    void OnChange();

private:
    void rebuild();
    void changeSteps();

    const glyphreel::widgets::FontCatalog &catalog_;
    std::vector<glyphreel::widgets::FontCatalogEntry> rows_;
    TFontNameFilters collect_ = 255;
    TFontNameFilters exclusive_ = 0;
    QStringList visible_;
    QStringList invisible_;
    bool iconVisible_ = true;
    TFontIconPriority iconPriority_ = fipTrueType;
    bool textFontFace_ = false;
    QPointer<QWidget> changeControl_;
    QString unlistedName_; // shown while no row is selected
};
