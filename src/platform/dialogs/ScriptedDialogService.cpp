#include "platform/dialogs/ScriptedDialogService.h"

namespace glyphreel::dialogs {

void ScriptedDialogService::clear()
{
    answers_.clear();
    asked_.clear();
}

std::optional<QString> ScriptedDialogService::chooseFile(QWidget *, const FileRequest &request)
{
    asked_.push_back({Asked::Kind::File, request.title, ConfirmButtons::YesNo, request});
    if (answers_.empty() || !std::holds_alternative<std::optional<QString>>(answers_.front()))
        throw UnscriptedDialog("no scripted answer for the file dialog \"" + request.title.toStdString() + "\"");
    auto answer = std::get<std::optional<QString>>(answers_.front());
    answers_.pop_front();
    return answer;
}

Answer ScriptedDialogService::confirm(QWidget *, const QString &text, ConfirmButtons buttons)
{
    asked_.push_back({Asked::Kind::Confirm, text, buttons, {}});
    if (answers_.empty() || !std::holds_alternative<Answer>(answers_.front()))
        throw UnscriptedDialog("no scripted answer for the question \"" + text.toStdString() + "\"");
    const Answer answer = std::get<Answer>(answers_.front());
    answers_.pop_front();
    if (answer == Answer::Cancel && buttons == ConfirmButtons::YesNo)
        throw UnscriptedDialog("the question \"" + text.toStdString() + "\" offers no cancel button");
    return answer;
}

void ScriptedDialogService::notice(QWidget *, const QString &text)
{
    asked_.push_back({Asked::Kind::Notice, text, ConfirmButtons::YesNo, {}});
}

void ScriptedDialogService::showException(QWidget *, const QString &message)
{
    asked_.push_back({Asked::Kind::Exception, message, ConfirmButtons::YesNo, {}});
}

std::optional<QColor> ScriptedDialogService::chooseColor(QWidget *, const QColor &initial, std::array<QColor, 16> &customColors)
{
    asked_.push_back({Asked::Kind::Color, initial.name(), ConfirmButtons::YesNo, {}});
    lastCustom_ = customColors;
    if (answers_.empty() || !std::holds_alternative<ColorAnswer>(answers_.front()))
        throw UnscriptedDialog("no scripted answer for the colour dialog");
    const ColorAnswer answer = std::get<ColorAnswer>(answers_.front());
    answers_.pop_front();
    if (answer.custom)
        customColors = *answer.custom;
    return answer.color;
}

ScopedDialogService::ScopedDialogService(std::unique_ptr<DialogService> service)
    : previous_(installDialogService(std::move(service)))
{
}

ScopedDialogService::~ScopedDialogService()
{
    installDialogService(std::move(previous_));
}

} // namespace glyphreel::dialogs
