#include "BlockingPool.h"

#include "ProcessSignals.h"

#include <QThreadPool>

namespace tallyvane {

namespace {
constexpr int blockingThreadCount = 32;
}

QThreadPool& blockingPool()
{
    // Never destroyed: a background reap may still be waiting out its grace period at exit.
    static QThreadPool* const pool = [] {
        // Work on this pool talks to children; a child that went away must not kill us.
        ignoreSigpipeProcessWide();
        auto* created = new QThreadPool;
        created->setMaxThreadCount(blockingThreadCount);
        return created;
    }();
    return *pool;
}

} // namespace tallyvane
