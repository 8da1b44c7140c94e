#pragma once

class QThreadPool;

namespace tallyvane {

// The one pool for work that blocks on I/O: poll loops over child pipes, blocking sockets.
// Never the global pool: that has one thread per core, and a minutes-long sign-in wait would
// starve everything else queued there. Use as `co_await QtConcurrent::run(&blockingPool(), ...)`.
QThreadPool& blockingPool();

} // namespace tallyvane
