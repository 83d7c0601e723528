#pragma once
// Commands do not catch their errors: a command started from a control runs
// guarded here, and an error it raises is shown in the standard exception
// box while the application goes on.

#include <QObject>

#include <exception>
#include <functional>

class QWidget;

namespace glyphreel::dialogs {

// Shows the error in the standard exception box over the active window.
void showExceptionBox(const std::exception_ptr &error);

// Runs the command, showing any error it raises. Returns false on an error.
bool runGuarded(const std::function<void()> &command);

// Connects a signal to a handler of the receiver, run guarded.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectCommand(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler] {
        runGuarded([&] { std::invoke(handler, receiver); });
    });
}

} // namespace glyphreel::dialogs
