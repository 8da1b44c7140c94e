#include "CodexOAuthSession.h"

#include "BlockingCodexOAuthOperation.h"
#include "BlockingPool.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QMetaObject>
#include <QThread>
#include <QtConcurrent/qtconcurrenttask.h>

#include <memory>

namespace tallyvane {

namespace {

using Result = std::expected<void, CodexOAuthError>;

// Queue order on the shared blocking pool: a sign-in the user is waiting on goes first.
constexpr int userInitiatedPriority = 1;
constexpr int utilityPriority = 0;

} // namespace

CodexOAuthSession::CodexOAuthSession(BrowserOpener browserOpener, double loginTimeoutSeconds,
                                     double logoutTimeoutSeconds, qint64 outputLimit)
    : m_browserOpener(std::move(browserOpener))
    , m_loginTimeout(loginTimeoutSeconds)
    , m_logoutTimeout(logoutTimeoutSeconds)
    , m_outputLimit(outputLimit)
{
}

QCoro::Task<Result> CodexOAuthSession::login(QString executablePath, EnvironmentMap environment)
{
    auto operation = std::make_shared<const BlockingCodexOAuthOperation>(
        std::move(executablePath), std::move(environment), m_loginTimeout, m_outputLimit, m_browserOpener);
    // Kept as separate statements: GCC 12 mis-destroys temporaries of a `co_await` expression.
    QFuture<Result> done = QtConcurrent::task([operation] { return operation->login(); })
                               .onThreadPool(blockingPool())
                               .withPriority(userInitiatedPriority)
                               .spawn();
    Result result = co_await done;
    co_return result;
}

QCoro::Task<Result> CodexOAuthSession::logout(QString executablePath, EnvironmentMap environment)
{
    auto operation = std::make_shared<const BlockingCodexOAuthOperation>(
        std::move(executablePath), std::move(environment), m_logoutTimeout, m_outputLimit, m_browserOpener);
    QFuture<Result> done = QtConcurrent::task([operation] { return operation->logout(); })
                               .onThreadPool(blockingPool())
                               .withPriority(utilityPriority)
                               .spawn();
    Result result = co_await done;
    co_return result;
}

CodexOAuthSession::BrowserOpener CodexOAuthSession::onMainThread(BrowserOpener opener)
{
    return [opener = std::move(opener)](const QUrl& url) {
        QCoreApplication* application = QCoreApplication::instance();
        if (!opener || !application)
            return false;
        if (QThread::currentThread() == application->thread())
            return opener(url);
        bool opened = false;
        const bool delivered = QMetaObject::invokeMethod(
            application, [&] { opened = opener(url); }, Qt::BlockingQueuedConnection);
        return delivered && opened;
    };
}

} // namespace tallyvane
