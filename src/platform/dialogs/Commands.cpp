#include "platform/dialogs/Commands.h"

#include "platform/dialogs/DialogService.h"

#include <QApplication>
#include <QWidget>

namespace glyphreel::dialogs {

void showExceptionBox(const std::exception_ptr &error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("原因の分からないエラーが起きました。");
    }
    if (message.isEmpty())
        message = QStringLiteral("原因の分からないエラーが起きました。");
    dialogs().showException(QApplication::activeWindow(), message);
}

bool runGuarded(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (...) {
        showExceptionBox(std::current_exception());
        return false;
    }
}

} // namespace glyphreel::dialogs
