#pragma once
// A dialog service that answers from a script instead of asking a person,
// and records every question. Tests drive commands end to end through it.

#include "platform/dialogs/DialogService.h"

#include <deque>
#include <stdexcept>
#include <variant>
#include <vector>

namespace glyphreel::dialogs {

class UnscriptedDialog : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class ScriptedDialogService : public DialogService {
public:
    struct Asked {
        enum class Kind { File, Confirm, Notice, Exception, Color };
        Kind kind;
        QString text; // message text; for a file dialog its title
        ConfirmButtons buttons = ConfirmButtons::YesNo;
        FileRequest file;
    };

    // Queue answers in the order the questions will come. A file answer of
    // nullopt cancels the dialog.
    void answerFile(std::optional<QString> path) { answers_.emplace_back(std::move(path)); }
    void answerConfirm(Answer answer) { answers_.emplace_back(answer); }
    // A colour answer of nullopt cancels the dialog; custom colours given
    // here replace the dialog's when it closes.
    void answerColor(std::optional<QColor> color, std::optional<std::array<QColor, 16>> custom = std::nullopt)
    {
        answers_.emplace_back(ColorAnswer{color, custom});
    }
    // The custom colours the last colour dialog was given.
    const std::array<QColor, 16> &lastCustomColors() const { return lastCustom_; }

    const std::vector<Asked> &asked() const { return asked_; }
    std::size_t unusedAnswers() const { return answers_.size(); }
    void clear();

    std::optional<QString> chooseFile(QWidget *parent, const FileRequest &request) override;
    Answer confirm(QWidget *parent, const QString &text, ConfirmButtons buttons) override;
    void notice(QWidget *parent, const QString &text) override;
    void showException(QWidget *parent, const QString &message) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, std::array<QColor, 16> &customColors) override;

private:
    struct ColorAnswer {
        std::optional<QColor> color;
        std::optional<std::array<QColor, 16>> custom;
    };
    using Scripted = std::variant<std::optional<QString>, Answer, ColorAnswer>;
    std::array<QColor, 16> lastCustom_;
    std::deque<Scripted> answers_;
    std::vector<Asked> asked_;
};

// Installs a service for the lifetime of the object, then restores the one
// that was in force.
class ScopedDialogService {
public:
    explicit ScopedDialogService(std::unique_ptr<DialogService> service);
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService &) = delete;
    ScopedDialogService &operator=(const ScopedDialogService &) = delete;

private:
    std::unique_ptr<DialogService> previous_;
};

} // namespace glyphreel::dialogs
