#include "widgets/FontNameComboBox.h"

#include "widgets/Property.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

using namespace glyphreel::widgets;

namespace {

// Font names are ordered as a Japanese user's system orders them, whatever
// the locale of this process: without regard to case, and full-width Latin
// letters ("ＭＳ ゴシック") among the half-width ones.
bool lessByLocale(const FontCatalogEntry &a, const FontCatalogEntry &b)
{
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Japanese, QLocale::Japan)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a.name, b.name) < 0;
}

// Qt names a family that several foundries provide "family [foundry]"; the
// family is one font to the user, and a stored "[foundry]" form would name
// no font anywhere else.
QString withoutFoundry(const QString &family)
{
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    return open > 0 && family.endsWith(u']') ? family.left(open) : family;
}

// The generic names fontconfig resolves to some other face; they are not
// fonts of their own.
bool isGenericFamily(const QString &family)
{
    static const QStringList generic{QStringLiteral("Serif"),     QStringLiteral("Sans Serif"),
                                     QStringLiteral("Sans"),      QStringLiteral("Monospace"),
                                     QStringLiteral("Mono"),      QStringLiteral("sans-serif"),
                                     QStringLiteral("cursive"),   QStringLiteral("fantasy"),
                                     QStringLiteral("system-ui"), QStringLiteral("emoji"),
                                     QStringLiteral("math")};
    return generic.contains(family, Qt::CaseInsensitive);
}

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

int charsetOf(std::uint32_t flags)
{
    return static_cast<int>((flags >> 16) & 0xFF);
}

} // namespace

namespace glyphreel::widgets {

namespace {
std::vector<std::pair<QString, QString>> &aliases()
{
    static std::vector<std::pair<QString, QString>> list;
    return list;
}
} // namespace

void registerFontAlias(const QString &name, const QString &substitute)
{
    if (!QFont::substitutes(name).contains(substitute))
        QFont::insertSubstitution(name, substitute);
    for (const auto &a : aliases())
        if (a.first == name)
            return;
    aliases().emplace_back(name, substitute);
}

FontCatalog::FontCatalog(std::vector<FontCatalogEntry> screen, std::vector<FontCatalogEntry> printer)
{
    // Several character sets of one face give one entry: the first reported.
    for (FontCatalogEntry &e : screen)
        if (entries_.empty() || entries_.back().name.compare(e.name, Qt::CaseInsensitive) != 0)
            entries_.push_back(std::move(e));
    std::stable_sort(entries_.begin(), entries_.end(), lessByLocale);
    std::stable_sort(printer.begin(), printer.end(), lessByLocale);
    for (FontCatalogEntry p : printer) {
        p.flags |= fontflags::onPrinter;
        const auto at = std::find_if(entries_.begin(), entries_.end(), [&](const FontCatalogEntry &e) {
            return e.name.compare(p.name, Qt::CaseInsensitive) == 0;
        });
        if (at != entries_.end()) {
            at->flags |= p.flags;
        } else {
            p.flags |= fontflags::printerOnly;
            entries_.insert(std::upper_bound(entries_.begin(), entries_.end(), p, lessByLocale), p);
        }
    }
}

const FontCatalog &FontCatalog::instance()
{
    static const FontCatalog catalog = [] {
        std::vector<FontCatalogEntry> screen;
        auto flagsOf = [](const QString &family) {
            std::uint32_t flags = 0;
            const bool scalable = QFontDatabase::isScalable(family);
            if (scalable && !QFontDatabase::isBitmapScalable(family))
                flags |= fontflags::trueType;
            else
                flags |= fontflags::raster;
            const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
            bool fixed = QFontDatabase::isFixedPitch(family);
            if (!fixed && systems.contains(QFontDatabase::Japanese)) {
                // Japanese faces with full-width glyphs are not reported as
                // fixed; what counts is that every half-width cell is alike.
                QFont f(family);
                f.setPixelSize(16);
                const QFontMetrics m(f);
                fixed = m.horizontalAdvance(u'i') == m.horizontalAdvance(u'M') && m.horizontalAdvance(u'.') == m.horizontalAdvance(u'W');
            }
            if (fixed)
                flags |= fontflags::fixedPitch;
            if (systems.contains(QFontDatabase::Japanese))
                flags |= fontflags::charset(128);
            else if (systems.contains(QFontDatabase::Symbol))
                flags |= fontflags::charset(2);
            return flags;
        };
        QStringList families;
        for (const QString &qtFamily : QFontDatabase::families()) {
            const QString family = withoutFoundry(qtFamily);
            if (isGenericFamily(family) || families.contains(family, Qt::CaseInsensitive))
                continue;
            families << family;
            // The first foundry's form answers for the family's attributes.
            screen.push_back({family, flagsOf(qtFamily)});
        }
        // The names the application made stand for installed faces are
        // offered too, with the faces' attributes; where a face has a
        // Japanese name, its English twin would only list it twice.
        auto hasJapaneseName = [](const QString &substitute) {
            return std::any_of(aliases().begin(), aliases().end(), [&](const auto &a) {
                return a.second == substitute && !isAscii(a.first);
            });
        };
        for (const auto &[name, substitute] : aliases()) {
            if (!families.contains(substitute, Qt::CaseInsensitive) || families.contains(name, Qt::CaseInsensitive))
                continue;
            if (isAscii(name) && hasJapaneseName(substitute))
                continue;
            families << name;
            screen.push_back({name, flagsOf(substitute)});
        }
        return FontCatalog(std::move(screen), {});
    }();
    return catalog;
}

TFontNameFilters FontCatalog::attributes(const FontCatalogEntry &e, bool forFilter)
{
    TFontNameFilters a = 0;
    if (e.flags & fontflags::device)
        a |= fnf(fnfDevice);
    if (e.flags & fontflags::vector)
        a |= fnf(fnfVector);
    if (e.flags & fontflags::raster)
        a |= fnf(fnfRaster);
    if (e.flags & fontflags::trueType)
        a |= fnf(fnfTrueType);
    if ((e.flags & fontflags::onPrinter) && (!forFilter || (e.flags & fontflags::printerOnly)))
        a |= fnf(fnfPrinter);
    if (charsetOf(e.flags) == 2)
        a |= fnf(fnfSymbolFont);
    if (charsetOf(e.flags) == 128)
        a |= fnf(fnfJapanese);
    if (e.flags & fontflags::fixedPitch)
        a |= fnf(fnfFixedPitch);
    if (e.name.startsWith(u'@'))
        a |= fnf(fnfLyingFont);
    return a;
}

// Two overlapping letters T, grey behind white, on black.
QImage trueTypeIcon()
{
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::black);
    QPainter p(&icon);
    p.fillRect(QRect(1, 2, 8, 2), QColor(128, 128, 128));
    p.fillRect(QRect(4, 2, 2, 9), QColor(128, 128, 128));
    p.fillRect(QRect(6, 5, 9, 2), Qt::white);
    p.fillRect(QRect(9, 5, 3, 10), Qt::white);
    return icon;
}

// A printer: white outline with grey shading, on black.
QImage deviceTypeIcon()
{
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::black);
    QPainter p(&icon);
    p.setPen(Qt::white);
    p.drawRect(4, 1, 7, 5);      // paper
    p.fillRect(QRect(2, 7, 12, 5), QColor(128, 128, 128));
    p.drawRect(1, 6, 13, 6);     // body
    p.fillRect(QRect(4, 13, 8, 2), Qt::white);
    return icon;
}

} // namespace glyphreel::widgets

TFontNameComboBox::TFontNameComboBox(QWidget *parent, const FontCatalog &catalog) : OwnerDrawnComboBox(parent), catalog_(catalog)
{
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { changeSteps(); });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (row >= 0)
            unlistedName_.clear();
    });
    rebuild();
}

void TFontNameComboBox::showName(const QString &name)
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(static_cast<int>(i));
            return;
        }
    setCurrentIndex(-1);
    unlistedName_ = name;
    update();
}

QString TFontNameComboBox::shownName() const
{
    return currentIndex() >= 0 ? Value() : unlistedName_;
}

QString TFontNameComboBox::Value() const
{
    return currentIndex() >= 0 ? rows_[static_cast<std::size_t>(currentIndex())].name : QString();
}

void TFontNameComboBox::setValue(const QString &name)
{
    int row = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            row = static_cast<int>(i);
            break;
        }
    if (rows_.empty() || row == currentIndex())
        return;
    setCurrentIndex(row);
    changeSteps();
}

void TFontNameComboBox::changeSteps()
{
    if (changeControl_) {
        QFont f = changeControl_->font();
        f.setFamily(Value());
        changeControl_->setFont(f);
    }
    emit OnChange();
}

void TFontNameComboBox::rebuild()
{
    const QString remembered = Value();
    const QString unlisted = currentIndex() < 0 ? unlistedName_ : QString();
    rows_.clear();
    for (const FontCatalogEntry &e : catalog_.entries()) {
        if (visible_.contains(e.name, Qt::CaseInsensitive)) {
            rows_.push_back(e);
            continue;
        }
        if (invisible_.contains(e.name, Qt::CaseInsensitive))
            continue;
        const TFontNameFilters a = FontCatalog::attributes(e, true);
        bool skip = false;
        for (int f = fnfPrinter; f <= fnfLyingFont && !skip; ++f)
            skip = (a & fnf(TFontNameFilter(f))) && !(collect_ & fnf(TFontNameFilter(f)));
        const TFontNameFilters types = fnf(fnfDevice) | fnf(fnfVector) | fnf(fnfRaster) | fnf(fnfTrueType);
        if (skip || !(a & collect_ & types))
            continue;
        if ((a & exclusive_) != exclusive_)
            continue;
        rows_.push_back(e);
    }
    QSignalBlocker block(this);
    clear();
    for (const FontCatalogEntry &e : rows_)
        addItem(e.name);
    setCurrentIndex(-1);
    block.unblock();
    if (!unlisted.isEmpty())
        showName(unlisted); // only shown before, so only shown again
    else if (!rows_.empty())
        setValue(remembered);
}

void TFontNameComboBox::setCollectFilters(TFontNameFilters v)
{
    if (collect_ == v)
        return;
    collect_ = v;
    rebuild();
}

void TFontNameComboBox::setExclusiveFilters(TFontNameFilters v)
{
    // At most one font type can be required: a newly added type replaces
    // the others.
    for (int t = fnfDevice; t <= fnfTrueType; ++t) {
        const TFontNameFilters bit = fnf(TFontNameFilter(t));
        if ((v & bit) && !(exclusive_ & bit)) {
            v = static_cast<TFontNameFilters>((v & ~(fnf(fnfDevice) | fnf(fnfVector) | fnf(fnfRaster) | fnf(fnfTrueType))) | bit);
            break;
        }
    }
    if (exclusive_ == v)
        return;
    exclusive_ = v;
    rebuild();
}

void TFontNameComboBox::setVisibleFontNames(const QStringList &names)
{
    visible_ = names;
    for (const QString &n : names)
        invisible_.removeIf([&](const QString &i) { return i.compare(n, Qt::CaseInsensitive) == 0; });
    rebuild();
}

void TFontNameComboBox::setInvisibleFontNames(const QStringList &names)
{
    invisible_ = names;
    for (const QString &n : names)
        visible_.removeIf([&](const QString &i) { return i.compare(n, Qt::CaseInsensitive) == 0; });
    rebuild();
}

void TFontNameComboBox::setIconVisible(bool v)
{
    glyphreel::widgets::setProperty(this, iconVisible_, v);
}

void TFontNameComboBox::setIconPriority(TFontIconPriority v)
{
    glyphreel::widgets::setProperty(this, iconPriority_, v);
}

void TFontNameComboBox::setTextFontFace(bool v)
{
    glyphreel::widgets::setProperty(this, textFontFace_, v);
}

void TFontNameComboBox::setChangeControl(QWidget *control)
{
    if (changeControl_ == control)
        return;
    changeControl_ = control;
    if (control)
        setValue(control->font().family());
}

int TFontNameComboBox::iconOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return 0;
    const TFontNameFilters a = FontCatalog::attributes(rows_[static_cast<std::size_t>(row)], false);
    const bool printer = (a & fnf(fnfPrinter)) && (collect_ & fnf(fnfPrinter));
    const bool trueType = (a & fnf(fnfTrueType)) && (collect_ & fnf(fnfTrueType));
    if (iconPriority_ == fipTrueType)
        return trueType ? 1 : printer ? 2 : 0;
    return printer ? 2 : trueType ? 1 : 0;
}

void TFontNameComboBox::drawItem(QPainter &p, const QRect &r, int row, bool selected, bool inEditField) const
{
    const bool listed = row >= 0 && row < static_cast<int>(rows_.size());
    const bool unlisted = !listed && row < 0 && inEditField && !unlistedName_.isEmpty();
    if (!listed && !unlisted)
        return;
    const QString name = listed ? rows_[static_cast<std::size_t>(row)].name : unlistedName_;
    p.save();
    QFont f = font();
    if (textFontFace_)
        f.setFamily(name);
    int textLeft = r.left() + 2;
    if (iconVisible_) {
        // An unlisted name has no attributes, so no icon; the text stays
        // where the names of the list start.
        if (const int icon = listed ? iconOf(row) : 0) {
            static const QImage trueType = trueTypeIcon(), device = deviceTypeIcon();
            const QImage &image = icon == 1 ? trueType : device;
            // Exclusive or: the black background leaves the row as it is.
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.drawImage(r.left() + 2, r.top() + (r.height() - image.height()) / 2, image);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        textLeft = r.left() + 20;
    }
    p.setFont(f);
    p.setPen(!isEnabled() ? palette().color(QPalette::Disabled, QPalette::Text)
                          : palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    p.drawText(QRect(QPoint(textLeft, r.top()), r.bottomRight()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               name);
    p.restore();
}
