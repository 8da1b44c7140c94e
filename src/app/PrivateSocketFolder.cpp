#include "PrivateSocketFolder.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace tallyvane {

std::optional<QString> PrivateSocketFolder::ensure(const QString& path)
{
    const QByteArray native = path.toLocal8Bit();
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return std::nullopt;
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0)
        return std::nullopt;
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return std::nullopt;
    return path;
}

} // namespace tallyvane
