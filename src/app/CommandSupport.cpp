#include "app/CommandSupport.h"

#include "app/Fonts.h"
#include "project/Project.h"
#include "project/ProjectCommand.h"
#include "project/ProjectError.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace glyphreel::app {

int integerOption(const QStringList &arguments, qsizetype &i, int min, int max, const QString &meaning)
{
    const QString option = arguments[i];
    bool ok = false;
    const int n = i + 1 < arguments.size() ? arguments[i + 1].toInt(&ok) : 0;
    if (!ok || n < min || n > max)
        throw project::UsageError(QStringLiteral("%1 には%2 (%3〜%4) を指定してください").arg(option, meaning).arg(min).arg(max));
    ++i;
    return n;
}

void openForCommand(project::Project &project, const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw project::ProjectError(QStringLiteral("「%1」がありません").arg(path));
    project.open(path);
    if (!project.isOpen())
        throw project::ProjectError(QStringLiteral("「%1」のコマの表を開けません").arg(path));
}

int withFonts(const std::function<int()> &command)
{
    // Fonts need a GUI application; a display does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "glyphreel";
    char *argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    registerFontSubstitutions();
    return command();
}

} // namespace glyphreel::app
