#pragma once
// A file dialog component as the windows hold them: its properties are set
// in the window layout, execute() asks through the dialog service.

#include "platform/dialogs/DialogService.h"

#include <QObject>

namespace glyphreel::dialogs {

class FileDialog : public QObject {
    Q_OBJECT
public:
    FileDialog(FileRequest::Mode mode, QObject *owner = nullptr);

    QString title() const { return request_.title; }
    void setTitle(const QString &t) { request_.title = t; }
    QString filter() const { return request_.filter; }
    void setFilter(const QString &f) { request_.filter = f; }
    QString defaultExt() const { return request_.defaultExt; }
    void setDefaultExt(const QString &e) { request_.defaultExt = e; }
    QString initialDir() const { return request_.initialDir; }
    void setInitialDir(const QString &d) { request_.initialDir = d; }
    bool overwritePrompt() const { return request_.overwritePrompt; }
    void setOverwritePrompt(bool on) { request_.overwritePrompt = on; }
    FileRequest::Mode mode() const { return request_.mode; }

    QString fileName() const { return fileName_; }
    void setFileName(const QString &name) { fileName_ = name; }

    // Shows the dialog; true when the user chose a file, whose path (with
    // the default extension added to a name typed without one) is then in
    // fileName().
    bool execute(QWidget *parent = nullptr);

private:
    FileRequest request_;
    QString fileName_;
};

} // namespace glyphreel::dialogs
