#include "platform/dialogs/FileDialog.h"

#include <QFileInfo>

namespace glyphreel::dialogs {

FileDialog::FileDialog(FileRequest::Mode mode, QObject *owner) : QObject(owner)
{
    request_.mode = mode;
}

bool FileDialog::execute(QWidget *parent)
{
    FileRequest request = request_;
    request.fileName = fileName_;
    const std::optional<QString> chosen = dialogs().chooseFile(parent, request);
    if (!chosen || chosen->isEmpty())
        return false;
    QString path = *chosen;
    if (!request_.defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty() && !path.endsWith(u'.'))
        path += u'.' + request_.defaultExt.toLower();
    fileName_ = path;
    return true;
}

} // namespace glyphreel::dialogs
