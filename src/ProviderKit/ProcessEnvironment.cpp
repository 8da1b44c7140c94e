#include "ProcessEnvironment.h"

#include "UserToolDirectories.h"

#include <QDir>
#include <QFileInfo>

#include <QProcessEnvironment>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {
const QString pathName = u"PATH"_s;

QString directoryOf(const QString& executablePath)
{
    const qsizetype slash = executablePath.lastIndexOf(u'/');
    if (slash < 0)
        return u"."_s;
    if (slash == 0)
        return u"/"_s;
    return executablePath.left(slash);
}

// Empty and relative entries name the working directory: a child must never search there.
QStringList absoluteEntries(const QString& searchPath)
{
    QStringList entries;
    const QStringList pieces = searchPath.split(ProcessEnvironment::pathSeparator(), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        if (QDir::isAbsolutePath(piece))
            entries.append(piece);
    }
    return entries;
}
} // namespace

const QStringList& ProcessEnvironment::allowList()
{
    // CODEX_HOME is where the user keeps codex's state: without it a child reads another,
    // signed-out one.
    static const QStringList names{u"HOME"_s,   u"PATH"_s,     u"TMPDIR"_s,    u"LANG"_s,
                                   u"LC_ALL"_s, u"LC_CTYPE"_s, u"CODEX_HOME"_s};
    return names;
}

QString ProcessEnvironment::defaultSearchPath()
{
    return u"/usr/local/bin:/usr/bin:/bin"_s;
}

QString ProcessEnvironment::pathSeparator()
{
    return u":"_s;
}

EnvironmentMap ProcessEnvironment::sanitized(const EnvironmentMap& parent)
{
    EnvironmentMap result;
    for (const QString& name : allowList()) {
        const auto found = parent.constFind(name);
        if (found != parent.constEnd())
            result.insert(name, found.value());
    }
    const QStringList entries = absoluteEntries(result.value(pathName));
    result.insert(pathName, entries.isEmpty() ? defaultSearchPath() : entries.join(pathSeparator()));
    return result;
}

EnvironmentMap ProcessEnvironment::forExecutable(const QString& executablePath)
{
    return forExecutable(executablePath, current(), QDir::homePath());
}

EnvironmentMap ProcessEnvironment::forExecutable(const QString& executablePath,
                                                 const EnvironmentMap& applicationEnvironment,
                                                 const QString& homeDirectory)
{
    EnvironmentMap result = sanitized(applicationEnvironment);
    QStringList entries = absoluteEntries(result.value(pathName));
    const QString directory = directoryOf(executablePath);
    if (!entries.contains(directory))
        entries.prepend(directory);
    // The child finds what the user installed where we looked for the executable itself.
    for (const QString& toolDirectory : UserToolDirectories::searchOrder(homeDirectory)) {
        if (!entries.contains(toolDirectory) && QFileInfo(toolDirectory).isDir())
            entries.append(toolDirectory);
    }
    result.insert(pathName, entries.join(pathSeparator()));
    return result;
}

EnvironmentMap ProcessEnvironment::current()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    EnvironmentMap result;
    const QStringList names = system.keys();
    for (const QString& name : names)
        result.insert(name, system.value(name));
    return result;
}

} // namespace tallyvane
