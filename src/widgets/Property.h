#pragma once
// The setter rule of every widget property: a value equal to the current
// one does nothing; another is stored and, where it shows, repaints.

#include <QWidget>

namespace glyphreel::widgets {

template <typename T>
void setProperty(QWidget *widget, T &field, const T &value, bool repaint = true)
{
    if (field == value)
        return;
    field = value;
    if (repaint)
        widget->update();
}

} // namespace glyphreel::widgets
