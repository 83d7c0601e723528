#include "platform/dialogs/DialogService.h"

#include "platform/dialogs/QtDialogService.h"

namespace glyphreel::dialogs {
namespace {

std::unique_ptr<DialogService> &current()
{
    static std::unique_ptr<DialogService> service = std::make_unique<QtDialogService>();
    return service;
}

QString &title()
{
    static QString t = QStringLiteral("Glyphreel");
    return t;
}

} // namespace

DialogService &dialogs()
{
    return *current();
}

std::unique_ptr<DialogService> installDialogService(std::unique_ptr<DialogService> service)
{
    std::unique_ptr<DialogService> previous = std::move(current());
    current() = service ? std::move(service) : std::make_unique<QtDialogService>();
    return previous;
}

QString confirmCaption() { return QStringLiteral("確認"); }
QString yesText() { return QStringLiteral("はい(&Y)"); }
QString noText() { return QStringLiteral("いいえ(&N)"); }
QString cancelText() { return QStringLiteral("キャンセル"); }

QString applicationTitle() { return title(); }
void setApplicationTitle(const QString &t) { title() = t; }

QStringList toQtNameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(u';', u' ');
        // Qt reads the patterns from the last parentheses of a filter.
        if (description.endsWith(u')') && description.contains(u'(')
            && description.mid(description.lastIndexOf(u'(') + 1).chopped(1).replace(u';', u' ') == patterns)
            result << description;
        else
            result << description + QStringLiteral(" (") + patterns + u')';
    }
    return result;
}

} // namespace glyphreel::dialogs
