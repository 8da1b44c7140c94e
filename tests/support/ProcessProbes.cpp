#include "ProcessProbes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

// A sanitizer runtime opens /proc/self/maps, the executable and its own library whenever it
// symbolises a report (a suppressed one too), from whichever thread raised it; such a file can
// be open at any moment and is never one the code under test opened.
bool openedBySanitizer(QByteArrayView target)
{
    static const QByteArray executable = QFile::encodeName(QFileInfo(u"/proc/self/exe"_s).symLinkTarget());
    return target.startsWith("/proc/") || target.endsWith(".so") || target.contains(".so.") ||
           target == executable;
}

} // namespace

int openDescriptorCount()
{
    const QFileInfoList entries =
        QDir(u"/proc/self/fd"_s).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    return int(std::count_if(entries.begin(), entries.end(), [](const QFileInfo& entry) {
        char target[4096] = {};
        const ssize_t length =
            ::readlink(QFile::encodeName(entry.filePath()).constData(), target, sizeof target - 1);
        // Gone by now (the listing's own descriptor among them): not open any more.
        if (length < 0)
            return false;
        const QByteArrayView name(target, length);
        return name != "anon_inode:[eventfd]" && !openedBySanitizer(name);
    }));
}

bool noChildrenRemain()
{
    // WNOWAIT leaves a zombie in place: a probe that reaped it would hide the very fault it is
    // there to find.
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

} // namespace tallyvane::testing
