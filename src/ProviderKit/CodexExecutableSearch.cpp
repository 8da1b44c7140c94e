#include "CodexExecutableSearch.h"

#include "ExecutableLocator.h"

#include <QDir>

namespace tallyvane {

std::optional<LocatedExecutable> CodexExecutableSearch::locate() const
{
    const EnvironmentMap application = environment.value_or(ProcessEnvironment::current());
    const QString home = homeDirectory.value_or(QDir::homePath());
    const std::optional<QString> path =
        ExecutableLocator::locateCodex(configuredExecutable, application, home);
    if (!path)
        return std::nullopt;
    return LocatedExecutable{.executablePath = *path,
                             .environment = ProcessEnvironment::forExecutable(*path, application, home)};
}

} // namespace tallyvane
