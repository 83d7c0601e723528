#include "app/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace glyphreel::app {

QString applicationFolder()
{
    const QString executableFolder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    // Installed: bin/glyphreel beside share/glyphreel.
    const QString installed = QDir::cleanPath(executableFolder + QStringLiteral("/../share/glyphreel"));
    if (QFileInfo(executableFolder).fileName() == QLatin1String("bin") && QFileInfo(installed).isDir())
        return installed;
    return executableFolder;
}

QString userGuidePath()
{
    return applicationFolder() + QStringLiteral("/Readme.txt");
}

} // namespace glyphreel::app
