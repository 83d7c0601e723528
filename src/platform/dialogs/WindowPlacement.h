#pragma once

class QWidget;

namespace glyphreel::dialogs {

// Puts a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget *window);

} // namespace glyphreel::dialogs
