#include "app/Startup.h"

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Infowindow1.h"
#include "app/Makewindow1.h"
#include "convert/Unit1.h"
#include "import/Aviwindow1.h"
#include "import/Bmpwindow1.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/Commands.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"

#include <QTimer>

namespace glyphreel::app {

void createForms(GlyphreelApplication &application)
{
    application.createForm(MakeForm1);
    application.createForm(AVIForm1);
    application.createForm(BMPForm1);
    application.createForm(FontForm1);
    application.createForm(InfoForm1);
    application.createForm(PreviewForm1);
    application.createForm(ToolForm1);
    application.createForm(Form1);
    MakeForm1->attachWindows();
}

int runApplication(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    dialogs::runGuarded([&] {
        registerFontSubstitutions();
        createForms(application);
        // glyphreel PROJECT.td starts with that project open.
        const QStringList args = application.arguments();
        if (args.size() > 1 && !args[1].startsWith(u'-')) {
            const QString project = args[1];
            QTimer::singleShot(0, MakeForm1, [project] { dialogs::runGuarded([&] { MakeForm1->openProject(project); }); });
        }
        application.run();
    });
    return 0;
}

} // namespace glyphreel::app
