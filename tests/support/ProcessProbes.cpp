#include "ProcessProbes.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

int openDescriptorCount()
{
    const QFileInfoList entries =
        QDir(u"/proc/self/fd"_s).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    return int(std::count_if(entries.begin(), entries.end(), [](const QFileInfo& entry) {
        char target[64] = {};
        const ssize_t length =
            ::readlink(QFile::encodeName(entry.filePath()).constData(), target, sizeof target - 1);
        return length < 0 || QByteArrayView(target, length) != "anon_inode:[eventfd]";
    }));
}

bool noChildrenRemain()
{
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace tallyvane::testing
