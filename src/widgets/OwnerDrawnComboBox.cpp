#include "widgets/OwnerDrawnComboBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
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

} // namespace

OwnerDrawnComboBox::OwnerDrawnComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new RowDelegate(this));
}

void OwnerDrawnComboBox::setItemHeight(int v)
{
    if (itemHeight_ == v || v < 1)
        return;
    const int kept = currentIndex();
    itemHeight_ = v;
    if (v < QFontMetrics(font()).height()) {
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
    if (height() > 6)
        itemHeight_ = height() - 6;
}

void OwnerDrawnComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
    if (event->type() == QEvent::FontChange && QFontMetrics(font()).height() > itemHeight_)
        itemHeight_ = QFontMetrics(font()).height();
}
