#include "FoundationCommandRunner.h"

#include "BlockingCommandOperation.h"
#include "BlockingPool.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace tallyvane {

QCoro::Task<CommandResult> FoundationCommandRunner::run(QString executablePath, QStringList arguments,
                                                        EnvironmentMap environment, double timeoutSeconds,
                                                        qint64 outputLimit)
{
    auto operation = std::make_shared<const BlockingCommandOperation>(
        std::move(executablePath), std::move(arguments), std::move(environment), timeoutSeconds, outputLimit);
    // Kept as separate statements: GCC 12 mis-destroys temporaries of a `co_return co_await` expression.
    QFuture<CommandResult> done =
        QtConcurrent::run(&blockingPool(), [operation] { return operation->run(); });
    CommandResult result = co_await done;
    co_return result;
}

} // namespace tallyvane
