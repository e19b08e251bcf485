#include "editor/module_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace plotwright::editor {

QString defaultModulePath()
{
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QStringList candidates = {
        exeDir.filePath(QStringLiteral(PLOTWRIGHT_MODULE_FILE)),
        exeDir.filePath(QStringLiteral("../" PLOTWRIGHT_MODULE_INSTALL_DIR "/" PLOTWRIGHT_MODULE_FILE)),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return {};
}

} // namespace plotwright::editor
