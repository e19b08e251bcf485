#include "install/install_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

InstallInfo& record()
{
    static InstallInfo info = PlotwrightInstallInfo();
    return info;
}

QString environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromUtf8(value) : QString();
}

// The system-wide configuration folders in order of preference. Relative entries are
// ignored, as the base-directory convention asks; none at all means /etc/xdg.
QStringList configDirs()
{
    QStringList dirs;
    for (const QString& dir : environment("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            dirs << dir;
    if (dirs.isEmpty())
        dirs << QStringLiteral("/etc/xdg");
    // The link names the program actually running, wherever its prefix is.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && !program.empty()) {
        const QString beside = QString::fromStdString(
            (program.parent_path() / PLOTWRIGHT_SETTINGS_FROM_PROGRAM).lexically_normal().string());
        if (!dirs.contains(beside))
            dirs << beside;
    }
    return dirs;
}

// The value as written. An unquoted value with commas reads back as a list: the
// installer quotes its value, and a hand-written one is joined back together.
QString folderValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

// The settings file is only read: QSettings writes back only values that were set, and
// the first file along the search path that holds the value wins.
QString lookUpSettings(const InstallInfo& info)
{
    const QString relative = QString::fromStdWString(info.makerName) + u'/'
                             + QString::fromStdWString(info.productTitle) + QStringLiteral(".conf");
    for (const QString& dir : configDirs()) {
        const QString path = QDir(dir).filePath(relative);
        if (!QFileInfo(path).isReadable())
            continue;
        QSettings settings(path, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError)
            continue;
        settings.beginGroup(QString::fromStdWString(info.productCode));
        if (settings.contains(QStringLiteral("InstallFolder")))
            return folderValue(settings.value(QStringLiteral("InstallFolder")));
    }
    return {};
}

// "~" or "~/..." is the user's home folder, created on first use; anything else is
// taken as written.
QString expandHome(const QString& folder)
{
    if (folder != u"~" && !folder.startsWith(QStringLiteral("~/")))
        return folder;
    QString expanded = QDir::homePath() + folder.mid(1);
    QDir().mkpath(expanded);
    return expanded;
}

// The user's data folder for the product ($XDG_DATA_HOME, by default ~/.local/share,
// then the product's title), created when missing.
QString userDataFolder(const InstallInfo& info)
{
    QString base = environment("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = QDir(base).filePath(QString::fromStdWString(info.productTitle));
    QDir().mkpath(folder);
    return folder;
}

} // namespace

InstallInfo PlotwrightInstallInfo() { return {L"Tolbrin", L"Plotwright", L"PW1"}; }

const InstallInfo& GetInstallInfo() { return record(); }

void SetInstallInfo(const InstallInfo& info) { record() = info; }

std::vector<std::wstring> SettingsFolders()
{
    std::vector<std::wstring> folders;
    for (const QString& dir : configDirs())
        folders.push_back(dir.toStdWString());
    return folders;
}

std::wstring GetInstallFolder()
{
    QString folder = environment("PLOTWRIGHT_INSTALL_FOLDER");
    if (folder.isEmpty())
        folder = lookUpSettings(record());
    // Without an installation's record the user's libraries still belong to the user,
    // not to whatever folder the program was started from.
    if (folder.isEmpty())
        folder = userDataFolder(record());
    folder = expandHome(folder);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder.toStdWString();
}
