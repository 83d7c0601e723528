#include "app/AppFolder.h"
#include "app/ExportCommand.h"
#include "app/PrintCommand.h"
#include "app/Startup.h"
#include "convert/ConvertCommand.h"
#include "import/ImportCommand.h"
#include "project/ProjectCommand.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // Answered before anything else starts: no window, no display needed.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Glyphreel %s\n", GLYPHREEL_VERSION);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--guide") == 0) {
        // The application folder comes from the executable's own path.
        QCoreApplication application(argc, argv);
        std::printf("%s\n", glyphreel::app::userGuidePath().toLocal8Bit().constData());
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "convert") == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return glyphreel::convert::runConvertCommand(arguments, stdout, stderr);
    }
    if (argc > 1 && std::strcmp(argv[1], "print") == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return glyphreel::app::runPrintCommand(arguments, stderr);
    }
    if (argc > 1 && std::strcmp(argv[1], "export") == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return glyphreel::app::runExportCommand(arguments, stderr);
    }
    if (argc > 1 && glyphreel::project::isProjectCommand(QString::fromLocal8Bit(argv[1]))) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return glyphreel::project::runProjectCommand(QString::fromLocal8Bit(argv[1]), arguments, stdout, stderr);
    }
    if (argc > 1 && glyphreel::import::isImportCommand(QString::fromLocal8Bit(argv[1]))) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return glyphreel::import::runImportCommand(QString::fromLocal8Bit(argv[1]), arguments, stderr);
    }
    return glyphreel::app::runApplication(argc, argv);
}
