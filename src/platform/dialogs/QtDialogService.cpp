#include "platform/dialogs/QtDialogService.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace glyphreel::dialogs {

std::optional<QString> QtDialogService::chooseFile(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent, request.title, request.initialDir);
    dialog.setAcceptMode(request.mode == FileRequest::Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == FileRequest::Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(toQtNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultExt.toLower());
    if (!request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

Answer QtDialogService::confirm(QWidget *parent, const QString &text, ConfirmButtons buttons)
{
    QMessageBox box(QMessageBox::Question, confirmCaption(), text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(yesText(), QMessageBox::YesRole);
    QPushButton *no = box.addButton(noText(), QMessageBox::NoRole);
    QPushButton *cancel = nullptr;
    if (buttons == ConfirmButtons::YesNoCancel) {
        cancel = box.addButton(cancelText(), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(no);
    }
    box.setDefaultButton(yes);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no)
        return Answer::No;
    return cancel ? Answer::Cancel : Answer::No;
}

void QtDialogService::notice(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogService::showException(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), message, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace glyphreel::dialogs

namespace glyphreel::dialogs {

std::optional<QColor> QtDialogService::chooseColor(QWidget *parent, const QColor &initial, std::array<QColor, 16> &customColors)
{
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, customColors[static_cast<std::size_t>(i)]);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    for (int i = 0; i < 16; ++i)
        customColors[static_cast<std::size_t>(i)] = QColorDialog::customColor(i);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace glyphreel::dialogs
