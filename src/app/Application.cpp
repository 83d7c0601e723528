#include "app/Application.h"

#include "platform/dialogs/Commands.h"
#include "platform/dialogs/DialogService.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

GlyphreelApplication::GlyphreelApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Glyphreel"));
    // The user's own settings (the editor's zoom per project) go to
    // ~/.config/Glyphreel/Glyphreel.conf.
    setOrganizationName(QStringLiteral("Glyphreel"));
    setApplicationVersion(QStringLiteral("3.5"));
    glyphreel::dialogs::setApplicationTitle(QStringLiteral("Glyphreel"));
    setQuitOnLastWindowClosed(false); // the main window's close ends the run
    // Qt's own dialogs (files, colours, printing) speak Japanese too.
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

GlyphreelApplication::~GlyphreelApplication()
{
    // Windows live for the whole run and go in reverse order of creation.
    // A window's global reference is cleared before it goes, so that
    // nothing reaches it while it is being destroyed.
    for (std::size_t i = forms_.size(); i-- > 0;) {
        resets_[i]();
        delete forms_[i];
    }
    forms_.clear();
    resets_.clear();
}

void GlyphreelApplication::adopt(QWidget *form, std::function<void()> reset)
{
    forms_.push_back(form);
    resets_.push_back(std::move(reset));
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
