#include "app/Application.h"

#include "platform/dialogs/Commands.h"
#include "platform/dialogs/DialogService.h"

GlyphreelApplication::GlyphreelApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Glyphreel"));
    setApplicationVersion(QStringLiteral("3.5"));
    glyphreel::dialogs::setApplicationTitle(QStringLiteral("Glyphreel"));
    setQuitOnLastWindowClosed(false); // the main window's close ends the run
}

GlyphreelApplication::~GlyphreelApplication()
{
    // Windows live for the whole run and go in reverse order of creation.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        delete *it;
    forms_.clear();
}

void GlyphreelApplication::adopt(QWidget *form)
{
    forms_.push_back(form);
    if (!mainForm_)
        mainForm_ = form;
}

int GlyphreelApplication::run()
{
    if (mainForm_)
        mainForm_->show();
    return exec();
}

bool GlyphreelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        glyphreel::dialogs::showExceptionBox(std::current_exception());
        return false;
    }
}
