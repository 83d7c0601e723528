#pragma once

#include "platform/dialogs/DialogService.h"

namespace glyphreel::dialogs {

// Real Qt dialogs and message boxes.
class QtDialogService : public DialogService {
public:
    std::optional<QString> chooseFile(QWidget *parent, const FileRequest &request) override;
    Answer confirm(QWidget *parent, const QString &text, ConfirmButtons buttons) override;
    void notice(QWidget *parent, const QString &text) override;
    void showException(QWidget *parent, const QString &message) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, std::array<QColor, 16> &customColors) override;
};

} // namespace glyphreel::dialogs
