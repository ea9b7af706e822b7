#include "platform/program_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace drawfield {

QString resourceFile(const QString& programFolder, const QString& name)
{
    const QString beside = programFolder + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared
        = QDir::cleanPath(programFolder + QStringLiteral("/../share/drawfield/") + name);
    return QFileInfo::exists(shared) ? shared : beside;
}

QString dataFolder(const QString& programFolder)
{
    // Beside the program in a build tree only: a writable /usr/bin (root's) or an installed
    // tree's bin/ is no place for data.
    if (QFileInfo::exists(programFolder + QLatin1Char('/') + QLatin1String(BuildTreeMarker)))
        return programFolder + QStringLiteral("/data");
    // The application data folder both programs share (~/.local/share/drawfield), whatever name
    // each gives itself.
    QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (user.isEmpty())
        user = QDir::homePath() + QStringLiteral("/.local/share");
    return user + QStringLiteral("/drawfield/data");
}

} // namespace drawfield
