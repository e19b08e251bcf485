#pragma once
// Saves a picture of a widget (or a pixmap) as <build>/screenshots/<name>.png so that
// anyone can look at what the tests drove. Written atomically: both locale runs
// of a test write the same files at the same time.

#include <QDir>
#include <QPixmap>
#include <QSaveFile>
#include <QString>
#include <QWidget>

namespace plotwright::test {

inline QString saveScreenshot(const QPixmap& picture, const QString& name)
{
    QDir dir(QStringLiteral(PLOTWRIGHT_BINARY_DIR "/screenshots"));
    dir.mkpath(QStringLiteral("."));
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        return {};
    return path;
}

inline QString saveScreenshot(QWidget& widget, const QString& name)
{
    return saveScreenshot(widget.grab(), name);
}

} // namespace plotwright::test
