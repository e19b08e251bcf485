#pragma once
// Where the editor keeps what it remembers between runs (recent files, window and
// dialog places, snap settings): the user settings of maker "Tolbrin", product
// "Plotwright", shared with the curve dialog's own settings.

#include <QStringList>

#include <memory>

class QSettings;

namespace plotwright::editor {

std::unique_ptr<QSettings> editorSettings();

// The recent-files list: most recent first, no duplicates, at most kMostRecent.
constexpr int kMostRecent = 8;
QStringList withRecent(QStringList list, const QString& path);
QStringList recentFiles();
void setRecentFiles(const QStringList& list);

} // namespace plotwright::editor
