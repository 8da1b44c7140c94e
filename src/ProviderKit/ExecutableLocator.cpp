#include "ExecutableLocator.h"

#include "UserToolDirectories.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

std::optional<QString> usable(const QString& path)
{
    // Only absolute paths: anything else would depend on our working directory.
    if (!QDir::isAbsolutePath(path) || !ExecutableLocator::isExecutableFile(path))
        return std::nullopt;
    return QDir::cleanPath(path);
}

} // namespace

bool ExecutableLocator::isExecutableFile(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty() || encoded.contains('\0'))
        return false;
    struct stat status {};
    // A directory passes access(X_OK) (it is searchable), so the file type is checked first.
    return ::stat(encoded.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(encoded.constData(), X_OK) == 0;
}

std::optional<QString> ExecutableLocator::locate(const QString& name,
                                                 const std::optional<QString>& configuredPath,
                                                 const QStringList& candidatePaths,
                                                 const EnvironmentMap& environment)
{
    if (configuredPath) {
        if (auto found = usable(*configuredPath))
            return found;
    }
    for (const QString& candidate : candidatePaths) {
        if (auto found = usable(candidate))
            return found;
    }
    if (name.isEmpty() || name.contains(u'/'))
        return std::nullopt;
    const QStringList directories =
        environment.value(u"PATH"_s).split(ProcessEnvironment::pathSeparator(), Qt::SkipEmptyParts);
    for (const QString& directory : directories) {
        if (directory == u"."_s)
            continue;
        if (auto found = usable(directory + u'/' + name))
            return found;
    }
    return std::nullopt;
}

QStringList ExecutableLocator::nodeVersionCandidates(const QString& homeDirectory, const QString& name)
{
    if (name.isEmpty())
        return {};
    QStringList candidates;
    for (const QString& directory : UserToolDirectories::nodeVersionDirectories(homeDirectory)) {
        const QString candidate = directory + u'/' + name;
        if (isExecutableFile(candidate))
            candidates.append(QDir::cleanPath(candidate));
    }
    return candidates;
}

std::optional<QString> ExecutableLocator::locateCodex(const std::optional<QString>& configuredPath,
                                                      const EnvironmentMap& environment,
                                                      const QString& homeDirectory)
{
    const QString name = u"codex"_s;
    QStringList candidates;
    for (const QString& directory : UserToolDirectories::searchOrder(homeDirectory))
        candidates.append(directory + u'/' + name);
    return locate(name, configuredPath, candidates, environment);
}

std::optional<QString> ExecutableLocator::locateCodex(const std::optional<QString>& configuredPath)
{
    return locateCodex(configuredPath, ProcessEnvironment::current(), QDir::homePath());
}

} // namespace tallyvane
