#pragma once
// The one seam through which every window asks the user something: file
// dialogs, the confirmation box, the plain notice box and the exception box.
// The application installs the Qt implementation; tests install a scripted
// one that answers from a list and records what was asked.

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class QWidget;

namespace glyphreel::dialogs {

enum class Answer { Yes, No, Cancel, Ok };

enum class ConfirmButtons { YesNo, YesNoCancel };

struct FileRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QString filter;      // "description|pattern|description|pattern", patterns joined by ';'
    QString defaultExt;  // without the dot
    QString initialDir;
    QString fileName;    // proposed name
    bool overwritePrompt = false;
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFile(QWidget *parent, const FileRequest &request) = 0;
    // The standard confirmation box: question icon, caption "確認".
    virtual Answer confirm(QWidget *parent, const QString &text, ConfirmButtons buttons) = 0;
    // A plain notice: caption the application title, one OK button.
    virtual void notice(QWidget *parent, const QString &text) = 0;
    // The standard exception box of the message loop.
    virtual void showException(QWidget *parent, const QString &message) = 0;
    // The colour dialog: the chosen colour, or nothing when cancelled. The
    // sixteen custom colours go in and come back as the user left them.
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, std::array<QColor, 16> &customColors) = 0;
};

// The service in force; the Qt one unless another was installed.
DialogService &dialogs();

// Installs a service and returns the previous one, which the caller keeps
// alive to restore it.
std::unique_ptr<DialogService> installDialogService(std::unique_ptr<DialogService> service);

// Captions of the standard boxes.
QString confirmCaption();
QString yesText();
QString noText();
QString cancelText();

// The application title shown as the caption of notices and errors.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// "TDファイル (*.td)|*.td" -> "TDファイル (*.td)"; several pairs become
// several Qt name filters.
QStringList toQtNameFilters(const QString &filter);

} // namespace glyphreel::dialogs
