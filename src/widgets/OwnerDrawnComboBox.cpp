#include "widgets/OwnerDrawnComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(OwnerDrawnComboBox *box) : QStyledItemDelegate(box), box_(box) {}
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        box_->drawItem(*p, option.rect, index.row(), selected, false);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), box_->ItemHeight());
    }

private:
    OwnerDrawnComboBox *box_;
};

// Some styles (Fusion among them) open a pick-only list as a pop-up as tall
// as all its rows, ignoring the drop-down count; these boxes drop their list
// down below themselves with the count's rows and a scroll bar instead.
class DropDownListStyle : public QProxyStyle {
public:
    // The proxy owns its base, so it gets an instance of its own of the
    // application's style.
    DropDownListStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *dropDownListStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new DropDownListStyle;
        style->setParent(qApp);
    }
    return style;
}

// The font's own height in pixels, which the rows are measured against
// (not its line spacing, which adds the leading).
int pixelHeight(const QFont &font)
{
    return QFontInfo(font).pixelSize();
}

} // namespace

OwnerDrawnComboBox::OwnerDrawnComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setStyle(dropDownListStyle());
    setItemDelegate(new RowDelegate(this));
}

void OwnerDrawnComboBox::setItemHeight(int v)
{
    if (itemHeight_ == v || v < 1)
        return;
    const int kept = currentIndex();
    itemHeight_ = v;
    if (v < pixelHeight(font())) {
        QFont f = font();
        f.setPixelSize(std::max(v, 12));
        setFont(f);
    }
    view()->doItemsLayout();
    setCurrentIndex(kept);
    update();
}

void OwnerDrawnComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    drawItem(painter, field, currentIndex(), false, true);
}

void OwnerDrawnComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    if (height() > 6 && itemHeight_ != height() - 6) {
        itemHeight_ = height() - 6;
        view()->doItemsLayout();
    }
}

void OwnerDrawnComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
    if (event->type() == QEvent::FontChange && pixelHeight(font()) > itemHeight_) {
        itemHeight_ = pixelHeight(font());
        view()->doItemsLayout();
    }
}
