#include "ProcessEnvironment.h"

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
} // namespace

const QStringList& ProcessEnvironment::allowList()
{
    static const QStringList names{u"HOME"_s, u"PATH"_s, u"TMPDIR"_s, u"LANG"_s, u"LC_ALL"_s, u"LC_CTYPE"_s};
    return names;
}

QString ProcessEnvironment::defaultSearchPath()
{
    return u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin"_s;
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
    if (!result.contains(pathName))
        result.insert(pathName, defaultSearchPath());
    return result;
}

EnvironmentMap ProcessEnvironment::forExecutable(const QString& executablePath)
{
    return forExecutable(executablePath, current());
}

EnvironmentMap ProcessEnvironment::forExecutable(const QString& executablePath,
                                                 const EnvironmentMap& applicationEnvironment)
{
    EnvironmentMap result = sanitized(applicationEnvironment);
    const QString directory = directoryOf(executablePath);
    const QString searchPath = result.value(pathName, defaultSearchPath());
    const QStringList pieces = searchPath.split(pathSeparator(), Qt::SkipEmptyParts);
    // The unsplit value is kept on purpose: an empty PATH becomes "<directory>:".
    if (!pieces.contains(directory))
        result.insert(pathName, directory + pathSeparator() + searchPath);
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
