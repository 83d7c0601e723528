#include "platform/dialogs/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace glyphreel::dialogs {

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

} // namespace glyphreel::dialogs

namespace glyphreel::dialogs {

ScreenCentredDialog::ScreenCentredDialog(const QString &objectName, const QString &caption, Qt::WindowFlags flags)
    : QDialog(nullptr, flags)
{
    setObjectName(objectName);
    setWindowTitle(caption);
}

void ScreenCentredDialog::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace glyphreel::dialogs
