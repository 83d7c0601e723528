#include "widgets/ColorComboBox.h"

#include "platform/dialogs/DialogService.h"
#include "platform/text/ProfileFile.h"
#include "widgets/Property.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QStyleOptionComboBox>

#include <stdexcept>

using glyphreel::widgets::ColorValue;
using glyphreel::widgets::toQColor;

namespace {

struct BuiltinColor {
    ColorValue value;
    const char16_t *japanese;
    const char16_t *english;
};

// clang-format off
const BuiltinColor kBasicColors[16] = {
    {0x00000000u, u"黒", u"Black"},
    {0x000000FFu, u"赤", u"Red"},
    {0x0000FF00u, u"ﾗｲﾑ", u"Lime"},
    {0x0000FFFFu, u"黄", u"Yellow"},
    {0x00FF0000u, u"青", u"Blue"},
    {0x00FF00FFu, u"ﾏｾﾞﾝﾀ", u"Magenta"},
    {0x00FFFF00u, u"ｼｱﾝ", u"Cyan"},
    {0x00C0C0C0u, u"銀", u"Silver"},
    {0x00808080u, u"灰", u"Gray"},
    {0x00000080u, u"栗", u"Maroon"},
    {0x00008000u, u"緑", u"Green"},
    {0x00008080u, u"ｵﾘｰﾌﾞ", u"Olive"},
    {0x00800000u, u"濃紺", u"Navy"},
    {0x00800080u, u"紫", u"Purple"},
    {0x00808000u, u"青緑", u"Teal"},
    {0x00FFFFFFu, u"白", u"White"},
};
const BuiltinColor kSystemColors[25] = {
    {0x80000000u, u"ｽｸﾛｰﾙﾊﾞｰの色", u"ScrollBar"},
    {0x80000001u, u"ﾃﾞｽｸﾄｯﾌﾟ背景", u"Background"},
    {0x8000000Cu, u"作業領域", u"AppWorkSpace"},
    {0x80000005u, u"ｳｨﾝﾄﾞｳ背景", u"Window"},
    {0x80000002u, u"ｱｸﾃｨﾌﾞﾀｲﾄﾙﾊﾞｰ", u"ActiveCaption"},
    {0x80000009u, u"ｱｸﾃｨﾌﾞﾀｲﾄﾙ文字", u"CaptionText"},
    {0x8000000Au, u"ｱｸﾃｨﾌﾞｳｨﾝﾄﾞｳ境界", u"ActiveBorder"},
    {0x80000003u, u"非ｱｸﾃｨﾌﾞﾀｲﾄﾙﾊﾞｰ", u"InactiveCaption"},
    {0x80000013u, u"非ｱｸﾃｨﾌﾞﾀｲﾄﾙ文字", u"InactiveCaptionText"},
    {0x8000000Bu, u"非ｱｸﾃｨﾌﾞｳｨﾝﾄﾞｳ境界", u"InactiveBorder"},
    {0x80000004u, u"ﾒﾆｭｰ背景", u"Menu"},
    {0x80000007u, u"ﾒﾆｭｰ文字", u"MenuText"},
    {0x80000006u, u"ｳｨﾝﾄﾞｳ枠", u"WindowFrame"},
    {0x80000008u, u"ｳｨﾝﾄﾞｳ文字", u"WindowText"},
    {0x8000000Du, u"選択背景", u"Highlight"},
    {0x8000000Eu, u"選択文字", u"HighlightText"},
    {0x80000011u, u"淡色文字", u"GrayText"},
    {0x80000014u, u"ﾎﾞﾀﾝ強調", u"ButtonHighlight"},
    {0x80000016u, u"ﾎﾞﾀﾝ強調縁", u"3DLight"},
    {0x8000000Fu, u"ﾎﾞﾀﾝ面", u"ButtonFace"},
    {0x80000010u, u"ﾎﾞﾀﾝ影", u"ButtonShadow"},
    {0x80000015u, u"ﾎﾞﾀﾝ暗影", u"3DDarkShadow"},
    {0x80000012u, u"ﾎﾞﾀﾝ文字", u"ButtonText"},
    {0x80000017u, u"ﾋﾝﾄ文字", u"InfoText"},
    {0x80000018u, u"ﾋﾝﾄ背景", u"InfoBack"},
};
// Values 0 are the CSS colour keyword of the English name; the others are the stored exceptions.
const BuiltinColor kExtraColors[129] = {
    {0u, u"ｱﾘｽﾌﾞﾙｰ", u"AliceBlue"},
    {0u, u"ｱﾝﾃｨｰｸﾎﾜｲﾄ", u"AntiqueWhite"},
    {0u, u"ｱｸｱﾏﾘﾝ", u"Aquamarine"},
    {0u, u"青空", u"Azure"},
    {0u, u"薄茶褐色", u"Beige"},
    {0u, u"素焼き色", u"Bisque"},
    {0u, u"漂白ｱｰﾓﾝﾄﾞ", u"Blanchedalmond"},
    {0u, u"青菫", u"BlueViolet"},
    {0x0042A6B5u, u"真鍮", u"Brass"},
    {0x002A2AA5u, u"茶色", u"Brawn"},
    {0u, u"木肌", u"Burlywood"},
    {0u, u"士官候補生制服", u"CadetBlue"},
    {0u, u"明るい黄緑", u"Chartreuse"},
    {0u, u"ﾁｮｺﾚｰﾄ", u"Chocolate"},
    {0x00DFBFBFu, u"冷却銅", u"CoolCopper"},
    {0x00DF00BFu, u"銅", u"Copper"},
    {0u, u"珊瑚", u"Coral"},
    {0x00DFEFBFu, u"ﾔｸﾞﾙﾏｷﾞｸ", u"CornFlower"},
    {0x00EF9060u, u"ﾔｸﾞﾙﾏｷﾞｸの青", u"CornFlowerBlue"},
    {0u, u"ﾄｳﾓﾛｺｼの稲毛", u"CornSilk"},
    {0u, u"深紅", u"Crimson"},
    {0u, u"暗い青", u"DarkBlue"},
    {0x00000BDAu, u"暗い茶色", u"DarkBrown"},
    {0u, u"暗いｼｱﾝ", u"DarkCyan"},
    {0u, u"暗いｱｷﾉｷﾘﾝｿｳ", u"DarkGoldenrod"},
    {0u, u"暗い灰色", u"DarkGray"},
    {0u, u"暗い緑", u"DarkGreen"},
    {0u, u"暗いｶｰｷｰ", u"DarkKhaki"},
    {0u, u"暗いﾏｾﾞﾝﾀ", u"DarkMagenta"},
    {0u, u"暗いｵﾘｰﾌﾞｸﾞﾘｰﾝ", u"DarkOliveGreen"},
    {0u, u"暗いｵﾚﾝｼﾞ", u"DarkOrange"},
    {0u, u"暗い薄紫", u"DarkOrchid"},
    {0u, u"暗い赤", u"DarkRed"},
    {0u, u"暗いｻｰﾓﾝ", u"DarkSalmon"},
    {0x008BBC8Fu, u"暗い海色", u"DarkSeaGreen"},
    {0u, u"暗い青石版", u"DarkSlateBlue"},
    {0u, u"暗い石版", u"DarkSlateGray"},
    {0u, u"暗いﾄﾙｺ石", u"DarkTurquoise"},
    {0u, u"暗い菫", u"DarkViolet"},
    {0u, u"暗いﾋﾟﾝｸ", u"DeepPink"},
    {0u, u"深いｽｶｲﾌﾞﾙｰ", u"DeepSkyBlue"},
    {0u, u"薄暗い灰色", u"DimGray"},
    {0u, u"ﾄﾞｼﾞｬｰﾌﾞﾙｰ", u"DodgerBlue"},
    {0x00E0D0FEu, u"長石", u"Feldsper"},
    {0u, u"耐火煉瓦", u"Firebrick"},
    {0u, u"ﾌﾛｰﾗﾙﾎﾜｲﾄ", u"FloralWhite"},
    {0u, u"森の緑", u"ForestGreen"},
    {0u, u"ｹﾞｲﾝｽﾎﾞｰﾛ", u"Gainsboro"},
    {0u, u"ｺﾞｰｽﾄﾎﾜｲﾄ", u"GhostWhite"},
    {0u, u"金色", u"Gold"},
    {0u, u"ｱｷﾉｷﾘﾝｿｳ", u"Goldenrod"},
    {0u, u"ｸﾞﾘｰﾝｲｴﾛｰ", u"GreenYellow"},
    {0u, u"甘露", u"Honeydew"},
    {0u, u"ﾎｯﾄﾋﾟﾝｸ", u"HotPink"},
    {0x005C5CCDu, u"ｱﾒﾘｶｲﾝﾃﾞｨｱﾝ", u"InidianRed"},
    {0u, u"藍", u"Indigo"},
    {0u, u"ｱｲﾎﾞﾘｰ", u"Ivory"},
    {0u, u"ｶｰｷ", u"Khaki"},
    {0u, u"ﾗﾍﾞﾝﾀﾞｰ", u"Lavender"},
    {0u, u"明るいﾗﾍﾞﾝﾀﾞｰ", u"LavenderBlush"},
    {0u, u"芝生", u"LawnGreen"},
    {0u, u"ﾚﾓﾝ絹布", u"LemonChiffon"},
    {0u, u"明るい青", u"LightBlue"},
    {0u, u"明るい珊瑚", u"LightCoral"},
    {0u, u"明るいｼｱﾝ", u"LightCyan"},
    {0u, u"明るい黄色ｱｷﾉｷﾘﾝｿｳ", u"LightGoldenrodYellow"},
    {0u, u"明るい緑", u"LightGreen"},
    {0u, u"明るい灰色", u"LightGray"},
    {0u, u"明るいﾋﾟﾝｸ", u"LightPink"},
    {0u, u"明るいｻｰﾓﾝ", u"LightSalmon"},
    {0u, u"明るい海色", u"LightSeaGreen"},
    {0u, u"明るい空色", u"LightSkyBlue"},
    {0u, u"明るい石版", u"LightSlateGray"},
    {0u, u"明るい鋼青", u"LightSteelBlue"},
    {0u, u"明るい黄色", u"LightYellow"},
    {0u, u"ﾗｲﾑｸﾞﾘｰﾝ", u"LimeGreen"},
    {0u, u"亜麻布", u"Linen"},
    {0u, u"中位のｱｸｱﾏﾘﾝ", u"MediumAquamarine"},
    {0u, u"中位の青", u"MediumBlue"},
    {0u, u"中位の薄紫", u"MediumOrchid"},
    {0u, u"中位の紫", u"MediumPurple"},
    {0x00B0000Eu, u"中位の青石版", u"MediumSlateBlue"},
    {0u, u"中位の海色", u"MediumSeaGreen"},
    {0u, u"中位の春草", u"MediumSpringGreen"},
    {0u, u"中位のﾄﾙｺ石", u"MediumTurquoise"},
    {0u, u"中位の赤菫", u"MediumVioletRed"},
    {0u, u"深夜の青", u"MidnightBlue"},
    {0u, u"ﾐﾝﾄｸﾘｰﾑ", u"MintCream"},
    {0u, u"霧のﾊﾞﾗ", u"MistyRose"},
    {0u, u"北米ｲﾝﾃﾞｨｱﾝの靴", u"Moccasin"},
    {0x00FFDEADu, u"ﾅﾊﾞﾎ族の白", u"NavajoWhite"},
    {0u, u"古いﾚｰｽ", u"Oldlace"},
    {0u, u"濃黄緑", u"OliveDrab"},
    {0u, u"ｵﾚﾝｼﾞ", u"Orange"},
    {0u, u"ｵﾚﾝｼﾞ果肉", u"OrangeRed"},
    {0u, u"薄紫", u"Orchid"},
    {0u, u"真珠のｱｷﾉｷﾘﾝｿｳ", u"PaleGoldenrod"},
    {0u, u"真珠の緑", u"PaleGreen"},
    {0u, u"真珠のﾄﾙｺ石", u"PaleTurquoise"},
    {0u, u"真珠の赤菫", u"PaleVioletRed"},
    {0u, u"ﾊﾟﾊﾟｲﾔﾎｲｯﾌﾟ", u"PapayaWhip"},
    {0u, u"桃のﾊﾟﾌｪ", u"PeachPuff"},
    {0u, u"ﾍﾟﾙｰ", u"Peru"},
    {0u, u"ﾋﾟﾝｸ", u"Pink"},
    {0u, u"ﾌﾟﾗﾑ", u"Plum"},
    {0u, u"淡青色", u"PowderBlue"},
    {0x00E0B00Cu, u"鮮やかな青", u"RichBlue"},
    {0u, u"明るい茶色", u"RosyBrown"},
    {0u, u"濃青色", u"RoyalBlue"},
    {0u, u"鞍の茶色", u"SaddleBrown"},
    {0u, u"ｻｰﾓﾝ", u"Salmon"},
    {0u, u"砂色", u"SandyBrown"},
    {0x002E8B57u, u"海色", u"SeaGreen"},
    {0u, u"貝殻", u"SeaShell"},
    {0u, u"黄褐色", u"Sienna"},
    {0u, u"ｽｶｲﾌﾞﾙｰ", u"SkyBlue"},
    {0u, u"青石版", u"SlateBlue"},
    {0u, u"石版", u"SlateGray"},
    {0u, u"雪色", u"Snow"},
    {0u, u"春草", u"SpringGreen"},
    {0u, u"鋼青", u"SteelBlue"},
    {0u, u"ﾀﾝ皮", u"Tan"},
    {0u, u"ｱｻﾞﾐ", u"Thistle"},
    {0u, u"ﾄﾏﾄ", u"Tomato"},
    {0u, u"ﾄﾙｺ石", u"Turquoise"},
    {0u, u"菫", u"Violet"},
    {0u, u"小麦色", u"Wheat"},
    {0u, u"白煙", u"WhiteSmoke"},
    {0u, u"黄緑", u"YellowGreen"},
};
// clang-format on

ColorValue extraValue(const BuiltinColor &c)
{
    if (c.value != 0)
        return c.value;
    const QColor css(QString::fromUtf16(c.english).toLower());
    return glyphreel::widgets::fromQColor(css);
}

// The dots button: a small hand-drawn button with three dots.
class DotsButton : public QWidget {
public:
    explicit DotsButton(TColorComboBox *box) : QWidget(box), box_(box)
    {
        setFixedWidth(19);
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const int w = width(), h = height();
        p.fillRect(rect(), toQColor(0x8000000F));
        p.setPen(box_->palette().color(QPalette::Base));
        p.drawLine(0, 0, 0, h - 1);
        if (down_) {
            p.setPen(toQColor(0x80000010));
            p.drawRect(1, 0, w - 2, h - 1);
        } else {
            p.setPen(toQColor(0x80000014));
            p.drawLine(1, 0, w - 1, 0);
            p.drawLine(1, 0, 1, h - 1);
            p.setPen(toQColor(0x80000016));
            p.drawLine(2, 1, w - 2, 1);
            p.drawLine(2, 1, 2, h - 2);
            p.setPen(toQColor(0x80000015));
            p.drawLine(1, h - 1, w - 1, h - 1);
            p.drawLine(w - 1, 0, w - 1, h - 1);
            p.setPen(toQColor(0x80000010));
            p.drawLine(2, h - 2, w - 2, h - 2);
            p.drawLine(w - 2, 1, w - 2, h - 2);
        }
        const int shift = down_ ? 1 : 0;
        const int y = (h - 2) / 2 + shift;
        for (int x : {5, 9, 13})
            p.fillRect(QRect(x + shift, y, 2, 2), Qt::black);
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            setDown(true);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (e->buttons() & Qt::LeftButton)
            setDown(rect().contains(e->position().toPoint()));
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        const bool inside = down_ && rect().contains(e->position().toPoint());
        setDown(false);
        if (inside)
            box_->chooseCustomColor();
    }

public:
    bool isDown() const { return down_; }

private:
    void setDown(bool down)
    {
        if (down_ == down)
            return;
        down_ = down;
        update();
    }
    TColorComboBox *box_;
    bool down_ = false;
};

} // namespace

namespace glyphreel::widgets {

QString zenKakuKana(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xFF61 || c > 0xFF9F) {
            out += text[i];
            continue;
        }
        QChar full;
        if (c == 0xFF9E)
            full = QChar(0x309B); // ゛
        else if (c == 0xFF9F)
            full = QChar(0x309C); // ゜
        else
            full = QString(QChar(c)).normalized(QString::NormalizationForm_KC).at(0);
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        const bool voiceable = (c >= 0xFF76 && c <= 0xFF84) || (c >= 0xFF8A && c <= 0xFF8E);
        const bool halfSemi = c >= 0xFF8A && c <= 0xFF8E;
        if (voiceable && next == 0xFF9E) {
            full = QChar(full.unicode() + 1);
            ++i;
        } else if (halfSemi && next == 0xFF9F) {
            full = QChar(full.unicode() + 2);
            ++i;
        }
        out += full;
    }
    return out;
}

std::array<QColor, 16> &sharedCustomColors()
{
    static std::array<QColor, 16> colors = [] {
        std::array<QColor, 16> c;
        c.fill(QColor(255, 255, 255)); // "ColorA=FFFFFF" ... "ColorP=FFFFFF"
        return c;
    }();
    return colors;
}

} // namespace glyphreel::widgets

void TUserColor::setColor(ColorValue v)
{
    if (color_ == v)
        return;
    color_ = v;
    if (collection_)
        emit collection_->changed();
}

void TUserColor::setDisplayName(const QString &v)
{
    if (displayName_ == v)
        return;
    displayName_ = v;
    if (collection_)
        emit collection_->changed();
}

void TUserColor::setEnglishName(const QString &v)
{
    if (englishName_ == v)
        return;
    englishName_ = v;
    if (collection_)
        emit collection_->changed();
}

void TUserColor::assign(const TUserColor &other)
{
    displayName_ = other.displayName_;
    color_ = other.color_;
    if (collection_)
        emit collection_->changed();
}

TUserColor &TUserColors::add()
{
    items_.push_back(std::make_unique<TUserColor>());
    items_.back()->collection_ = this;
    emit changed();
    return *items_.back();
}

void TUserColors::clear()
{
    items_.clear();
    emit changed();
}

void TUserColors::assign(const TUserColors &other)
{
    items_.clear();
    for (const auto &item : other.items_) {
        auto copy = std::make_unique<TUserColor>(*item);
        copy->collection_ = this;
        items_.push_back(std::move(copy));
    }
    emit changed();
}

TColorComboBox::TColorComboBox(QWidget *parent) : OwnerDrawnComboBox(parent), userColors_(new TUserColors(this))
{
    dots_ = new DotsButton(this);
    dots_->move(-19, 2);
    connect(userColors_, &TUserColors::changed, this, [this] {
        if (showUser_)
            rebuild();
    });
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) {
        clickHandling();
        emit Change();
    });
    rebuild();
}

TColorComboBox::~TColorComboBox() = default;

QString TColorComboBox::shownName(const QString &name) const
{
    return zenKakuKana_ ? glyphreel::widgets::zenKakuKana(name) : name;
}

void TColorComboBox::rebuild()
{
    if (rebuilding_)
        return;
    rebuilding_ = true;
    const ColorValue remembered = Value();
    const int rememberedIndex = currentIndex();
    groupStarts_.clear();
    entries_.clear();
    auto addTable = [&](const BuiltinColor *table, int n, GroupKind kind) {
        for (int i = 0; i < n; ++i) {
            const BuiltinColor &c = table[i];
            const QString name = QString::fromUtf16(japanese_ ? c.japanese : c.english);
            entries_.push_back({shownName(name), kind == gkExtra ? extraValue(c) : c.value, kind, i});
        }
        groupStarts_.push_back(static_cast<int>(entries_.size()));
    };
    if (showDefault_)
        entries_.push_back({shownName(japanese_ ? QStringLiteral("(標準)") : QStringLiteral("(Default)")), kDefaultMarker, gkDefault, 0});
    if (showBasic_)
        addTable(kBasicColors, 16, gkBasic);
    if (showSys_)
        addTable(kSystemColors, 25, gkSystem);
    if (showExtra_)
        addTable(kExtraColors, 129, gkExtra);
    if (showUser_ && userColors_->count() > 0) {
        for (int i = 0; i < userColors_->count(); ++i) {
            const TUserColor &u = userColors_->item(i);
            const QString name = japanese_ || u.EnglishName().isEmpty() ? u.DisplayName() : u.EnglishName();
            entries_.push_back({shownName(name), u.Color(), gkUser, i});
        }
        groupStarts_.push_back(static_cast<int>(entries_.size()));
    }
    if (showCustom_)
        entries_.push_back({shownName(japanese_ ? QStringLiteral("(ｶｽﾀﾑ)") : QStringLiteral("(Custom)")), kNoneMarker, gkCustom, 0});

    {
        // Only the refill is silent: the value written back below fires the
        // change and click events like any other value write.
        const QSignalBlocker block(this);
        clear();
        for (const Entry &e : entries_)
            addItem(e.name);
    }
    rebuilding_ = false;
    if (rememberedIndex != -1) {
        setValue(remembered);
    } else if (!entries_.empty()) {
        // A value written while there was nothing to select it from gets
        // its turn now that the list has entries.
        if (lastWritten_ != -1) {
            setValue(static_cast<ColorValue>(lastWritten_));
        } else {
            setCurrentIndex(0);
            setHintFor(0);
        }
    }
    placeDotsButton();
}

ColorValue TColorComboBox::Value() const
{
    const int i = currentIndex();
    if (i < 0 || i >= entryCount())
        return kNoneMarker;
    const Entry &e = entries_[static_cast<std::size_t>(i)];
    return e.kind == gkCustom ? customColor_ : e.value;
}

void TColorComboBox::setValue(ColorValue value)
{
    lastWritten_ = value;
    if (value != kNoneMarker) {
        for (int i = 0; i < entryCount(); ++i) {
            if (entries_[static_cast<std::size_t>(i)].value == value) {
                setCurrentIndex(i);
                setHintFor(i);
                emit Change();
                clickHandling();
                return;
            }
        }
    }
    if (!entries_.empty() && showCustom_ && entries_.back().kind == gkCustom) {
        customColor_ = value;
        setCurrentIndex(entryCount() - 1);
        setHintFor(entryCount() - 1);
        emit Change();
        clickHandling();
    }
    update();
    placeDotsButton();
}

QString TColorComboBox::otherLanguageName(int index) const
{
    if (index < 0 || index >= entryCount())
        throw std::out_of_range("Index が有効範囲にありません");
    const Entry &e = entries_[static_cast<std::size_t>(index)];
    QString name;
    switch (e.kind) {
    case gkDefault: name = japanese_ ? QStringLiteral("(Default)") : QStringLiteral("(標準)"); break;
    case gkCustom: name = japanese_ ? QStringLiteral("(Custom)") : QStringLiteral("(ｶｽﾀﾑ)"); break;
    case gkUser: {
        const TUserColor &u = userColors_->item(e.index);
        name = japanese_ ? u.EnglishName() : u.DisplayName();
        break;
    }
    default: {
        const BuiltinColor *table = e.kind == gkBasic ? kBasicColors : e.kind == gkSystem ? kSystemColors : kExtraColors;
        name = QString::fromUtf16(japanese_ ? table[e.index].english : table[e.index].japanese);
    }
    }
    return shownName(name);
}

void TColorComboBox::setHintFor(int index)
{
    if (hintOther_ && index >= 0 && index < entryCount())
        setToolTip(otherLanguageName(index));
}

void TColorComboBox::clickHandling()
{
    placeDotsButton();
    setHintFor(currentIndex());
    applyToChangeControl();
    emit Click();
}

void TColorComboBox::applyToChangeControl()
{
    if (changeControl_) {
        ColorValue v = Value();
        if (v == kDefaultMarker)
            v = defaultColor_;
        QPalette pal = changeControl_->palette();
        const QColor c = toQColor(v);
        if (changeControlFont_) {
            pal.setColor(QPalette::WindowText, c);
            pal.setColor(QPalette::Text, c);
        } else {
            pal.setColor(QPalette::Window, c);
            pal.setColor(QPalette::Base, c);
            changeControl_->setAutoFillBackground(true);
        }
        changeControl_->setPalette(pal);
    }
}

void TColorComboBox::placeDotsButton()
{
    const bool customShown = currentIndex() >= 0 && currentIndex() < entryCount()
        && entries_[static_cast<std::size_t>(currentIndex())].kind == gkCustom;
    dots_->setFixedHeight(std::max(1, height() - 4));
    // Just left of the drop-down arrow, wherever the style puts it.
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QRect arrow = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    dots_->move(customShown ? arrow.left() - 1 - dots_->width() : -19, 2);
    dots_->raise();
}

void TColorComboBox::setShowText(bool v)
{
    glyphreel::widgets::setProperty(this, showText_, v);
}
void TColorComboBox::setShowSysColor(bool v) { setAndRebuild(showSys_, v); }
void TColorComboBox::setShowBasicColor(bool v) { setAndRebuild(showBasic_, v); }
void TColorComboBox::setShowCustomColor(bool v) { setAndRebuild(showCustom_, v); }
void TColorComboBox::setShowDefaultColor(bool v) { setAndRebuild(showDefault_, v); }
void TColorComboBox::setShowExtraColor(bool v) { setAndRebuild(showExtra_, v); }
void TColorComboBox::setShowUserColor(bool v) { setAndRebuild(showUser_, v); }
void TColorComboBox::setZenKakuKana(bool v) { setAndRebuild(zenKakuKana_, v); }
void TColorComboBox::setJapaneseText(bool v) { setAndRebuild(japanese_, v); }

void TColorComboBox::setCustomColor(ColorValue v)
{
    if (customColor_ == v)
        return;
    customColor_ = v;
    update();
    placeDotsButton();
}

void TColorComboBox::setDefaultColor(ColorValue v)
{
    glyphreel::widgets::setProperty(this, defaultColor_, v, showDefault_);
}

void TColorComboBox::readChangeControl()
{
    if (!changeControl_)
        return;
    const QPalette pal = changeControl_->palette();
    ColorValue v = glyphreel::widgets::fromQColor(changeControlFont_ ? pal.color(QPalette::WindowText) : pal.color(QPalette::Window));
    if (showDefault_ && toQColor(defaultColor_) == toQColor(v))
        v = kDefaultMarker;
    setValue(v);
}

void TColorComboBox::setChangeControl(QWidget *control)
{
    changeControl_ = control;
    readChangeControl();
}

void TColorComboBox::setChangeControlFont(bool v)
{
    if (changeControlFont_ == v)
        return;
    changeControlFont_ = v;
    readChangeControl();
}

void TColorComboBox::setHintIsOtherLanguage(bool v)
{
    if (hintOther_ == v)
        return;
    hintOther_ = v;
    setToolTip(QString());
    if (v)
        setHintFor(currentIndex());
}

void TColorComboBox::drawItem(QPainter &p, const QRect &rect, int index, bool selected, bool inEditField) const
{
    if (index < 0 || index >= entryCount())
        return;
    const Entry &e = entries_[static_cast<std::size_t>(index)];
    ColorValue value = e.kind == gkCustom ? customColor_ : e.value;
    if (value == kDefaultMarker)
        value = defaultColor_;
    p.save();
    if (!inEditField && std::find(groupStarts_.begin(), groupStarts_.end(), index) != groupStarts_.end()) {
        const QRgb back = palette().color(QPalette::Base).rgb() & 0xFFFFFF;
        p.setPen(QColor::fromRgb((back ^ 0x808080) & 0xFFFFFF));
        p.drawLine(rect.left(), rect.top(), rect.right() + 1, rect.top());
    }
    int w = showText_ ? rect.height() - 4 : rect.width() - 4;
    int margin = 0;
    if (w > 32) {
        w = 32;
        margin = std::max(0, (rect.height() - 37) / 2);
    }
    if (value == kDefaultMarker) {
        w = -2;
    } else {
        const QRect swatch(QPoint(rect.left() + 2, rect.top() + 3 + margin), QPoint(rect.left() + 2 + w - 1, rect.bottom() + 1 - 2 - margin - 1));
        p.fillRect(swatch, toQColor(value));
        if (ItemHeight() >= 16) {
            p.setPen(Qt::black);
            p.drawRect(swatch.adjusted(0, 0, -1, -1));
        }
    }
    if (showText_) {
        const QFontMetrics fm(font());
        p.setFont(font());
        p.setPen(!isEnabled() ? toQColor(0x80000011)
                              : palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int y = rect.top() + 1 + (ItemHeight() - fm.height()) / 2;
        p.drawText(QPoint(rect.left() + w + 4, y + fm.ascent()), e.name);
    }
    p.restore();
}

void TColorComboBox::resizeEvent(QResizeEvent *event)
{
    OwnerDrawnComboBox::resizeEvent(event);
    placeDotsButton();
}

QString TColorComboBox::customColorFile() const
{
    if (saveOption_.RegIni == scfIniFile) {
        const QFileInfo exe(QCoreApplication::applicationFilePath());
        return exe.dir().filePath(exe.completeBaseName() + QStringLiteral(".ini"));
    }
    // No registry here: the user's configuration folder stands in for it.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(QStringLiteral("registry.ini"));
}

void TColorComboBox::loadCustomColors(std::array<QColor, 16> &colors) const
{
    const glyphreel::text::ProfileFile ini(customColorFile());
    for (int i = 0; i < 16; ++i) {
        const QString text = ini.readString(saveOption_.Section, QStringLiteral("Color") + QChar(u'A' + i), QString());
        bool ok = false;
        const uint value = text.toUInt(&ok, 16);
        if (ok)
            colors[static_cast<std::size_t>(i)] = toQColor(value & 0xFFFFFF);
    }
}

void TColorComboBox::saveCustomColors(const std::array<QColor, 16> &colors) const
{
    QDir().mkpath(QFileInfo(customColorFile()).absolutePath());
    glyphreel::text::ProfileFile ini(customColorFile());
    try {
        for (int i = 0; i < 16; ++i)
            ini.writeString(saveOption_.Section, QStringLiteral("Color") + QChar(u'A' + i),
                            QStringLiteral("%1").arg(glyphreel::widgets::fromQColor(colors[static_cast<std::size_t>(i)]), 6, 16, QChar(u'0')).toUpper());
    } catch (const glyphreel::text::ProfileError &) {
        // Not being able to keep the custom colours is not worth an error.
    }
}

void TColorComboBox::chooseCustomColor()
{
    std::array<QColor, 16> &custom = glyphreel::widgets::sharedCustomColors();
    if (customSave_ && !saveOption_.Section.isEmpty())
        loadCustomColors(custom);
    const ColorValue before = Value();
    const std::optional<QColor> chosen = glyphreel::dialogs::dialogs().chooseColor(this, toQColor(before), custom);
    if (!chosen)
        return;
    customColor_ = glyphreel::widgets::fromQColor(*chosen);
    update();
    if (customSave_)
        saveCustomColors(custom);
    applyToChangeControl();
    if (customColor_ != before) {
        clickHandling();
        emit Change();
    }
}
