#include "tools/ToolLook.h"

#include "widgets/WindowLook.h"

namespace glyphreel::tools {

QFrame *groupPanel(QWidget *parent, const char16_t *name, const QRect &geometry)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QString::fromUtf16(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
    panel->setGeometry(geometry);
    return panel;
}

TShadowLabel *groupLabel(QWidget *parent, const char16_t *name, const QString &caption, const QRect &geometry)
{
    auto *label = new TShadowLabel(parent);
    if (*name)
        label->setObjectName(QString::fromUtf16(name));
    label->applyWindowLook(11, 0);
    label->setAlignment(Qt::AlignLeft);
    label->setCaption(caption);
    label->setGeometry(geometry);
    return label;
}

TColorComboBox *colourBox(QWidget *parent, const QString &name, widgets::ColorValue value, const QString &hint,
                          const QRect &geometry)
{
    auto *box = new TColorComboBox(parent);
    box->setObjectName(name);
    box->setShowExtraColor(true);
    box->setZenKakuKana(false);
    box->setDefaultColor(0);
    box->setCustomColor(0);
    box->setCustomColorSave(false);
    box->setMaxVisibleItems(16);
    box->setGeometry(geometry);
    box->setItemHeight(12);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    box->setPalette(pal);
    box->setValue(value);
    widgets::setHint(box, hint);
    return box;
}

TFontNameComboBox *fontBox(QWidget *parent, int width)
{
    auto *box = new TFontNameComboBox(parent);
    box->setObjectName(QStringLiteral("FontNameComboBox1"));
    box->setGeometry(41, 4, width, 20);
    box->setMaxVisibleItems(12);
    box->setItemHeight(14);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, Qt::white);
    box->setPalette(pal);
    box->setValue(QStringLiteral("ＭＳ ゴシック"));
    widgets::setHint(box, QStringLiteral("字体"));
    return box;
}

std::array<QToolButton *, 4> styleButtons(QWidget *parent, int width, int step)
{
    struct Style {
        const char16_t *name;
        const char16_t *caption;
        const char16_t *hint;
        void (QFont::*set)(bool);
    };
    static const Style styles[] = {
        {u"SpeedButton1", u"太字", u"太字", &QFont::setBold},
        {u"SpeedButton2", u"斜体", u"斜体", &QFont::setItalic},
        {u"SpeedButton20", u"下線", u"下線付き", &QFont::setUnderline},
        {u"SpeedButton21", u"消線", u"打ち消し線付き", &QFont::setStrikeOut},
    };
    std::array<QToolButton *, 4> buttons {};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto *b = new QToolButton(parent);
        b->setObjectName(QString::fromUtf16(styles[i].name));
        b->setText(QString::fromUtf16(styles[i].caption));
        b->setCheckable(true);
        b->setGeometry(3 + int(i) * step, 27, width, 20);
        widgets::setHint(b, QString::fromUtf16(styles[i].hint));
        QFont f = b->font();
        (f.*styles[i].set)(true);
        b->setFont(f);
        buttons[i] = b;
    }
    return buttons;
}

} // namespace glyphreel::tools
