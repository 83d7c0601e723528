#pragma once

class QWidget;
class QString;

namespace glyphreel::dialogs {

// Puts a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget *window);

} // namespace glyphreel::dialogs

#include <QDialog>

namespace glyphreel::dialogs {

// A dialog window that opens in the middle of the screen at every showing.
class ScreenCentredDialog : public QDialog {
    Q_OBJECT
public:
    ScreenCentredDialog(const QString &objectName, const QString &caption, Qt::WindowFlags flags);

protected:
    void showEvent(QShowEvent *event) override;
};

// The frame of the small dialogs: a tool window's short title bar with a
// close box, no minimise or maximise box.
constexpr Qt::WindowFlags kToolWindowFrame =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

} // namespace glyphreel::dialogs
