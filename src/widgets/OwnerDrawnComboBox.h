#pragma once
// A pick-only combo box whose rows all have one height and are painted by
// the box itself, in the list and in its edit field alike. The row height
// follows the box: its height minus 6, or the font's pixel height when that
// is taller. The list drops down below the box with maxVisibleItems rows and
// scrolls to the others, whatever the style would do.

#include <QComboBox>

class OwnerDrawnComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit OwnerDrawnComboBox(QWidget *parent = nullptr);

    int ItemHeight() const { return itemHeight_; }
    // Keeps the selection; when the rows get lower than the font, the font
    // shrinks to the row height, but not below 12 pixels.
    void setItemHeight(int v);

    // Paints row `row` into `rect`; the background is already filled.
    virtual void drawItem(QPainter &painter, const QRect &rect, int row, bool selected, bool inEditField) const = 0;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int itemHeight_ = 16;
};
