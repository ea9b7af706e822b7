#include "surfer/program_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

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
    // Beside the program when data/ is, or could be made, writable there.
    const QString beside = programFolder + QStringLiteral("/data");
    const QFileInfo folder(beside);
    const QString probe = folder.exists() ? beside : programFolder;
    if (::access(QFile::encodeName(probe).constData(), W_OK | X_OK) == 0)
        return beside;
    // The application data folder both programs share (~/.local/share/drawfield), whatever name
    // each gives itself.
    QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (user.isEmpty())
        user = QDir::homePath() + QStringLiteral("/.local/share");
    return user + QStringLiteral("/drawfield/data");
}

} // namespace drawfield
