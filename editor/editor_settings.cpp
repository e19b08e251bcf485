#include "editor/editor_settings.h"

#include <QFileInfo>
#include <QSettings>

namespace plotwright::editor {

std::unique_ptr<QSettings> editorSettings()
{
    return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright"));
}

QStringList withRecent(QStringList list, const QString& path)
{
    // The same file reached by another spelling of its path is one entry.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    list.removeIf([&](const QString& p) { return QFileInfo(p).absoluteFilePath() == absolute; });
    list.prepend(absolute);
    while (list.size() > kMostRecent)
        list.removeLast();
    return list;
}

QStringList recentFiles()
{
    QStringList list = editorSettings()->value("Editor/RecentFiles").toStringList();
    while (list.size() > kMostRecent)
        list.removeLast();
    return list;
}

void setRecentFiles(const QStringList& list) { editorSettings()->setValue("Editor/RecentFiles", list); }

} // namespace plotwright::editor
