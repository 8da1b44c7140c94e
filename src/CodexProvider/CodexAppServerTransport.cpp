#include "CodexAppServerTransport.h"

#include "BlockingAppServerOperation.h"

#include <ProviderKit/BlockingPool.h>

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace tallyvane {

CodexAppServerTransport::CodexAppServerTransport(QString executablePath, EnvironmentMap environment,
                                                 double timeoutSeconds, qint64 outputLimit)
    : m_executablePath(std::move(executablePath))
    , m_environment(std::move(environment))
    , m_timeoutSeconds(timeoutSeconds)
    , m_outputLimit(outputLimit)
{
}

QCoro::Task<std::expected<CodexAppServerResponse, CodexProviderError>> CodexAppServerTransport::fetch() const
{
    // Everything the exchange needs is copied before the first suspension, so the transport
    // itself may go away while the exchange runs.
    auto operation = std::make_shared<const BlockingAppServerOperation>(m_executablePath, m_environment,
                                                                        m_timeoutSeconds, m_outputLimit);
    // Kept as separate statements: GCC 12 mis-destroys temporaries of a `co_return co_await` expression.
    QFuture<BlockingAppServerOperation::Result> done =
        QtConcurrent::run(&blockingPool(), [operation] { return operation->run(); });
    BlockingAppServerOperation::Result result = co_await done;
    co_return result;
}

} // namespace tallyvane
