#include "BlockingCodexOAuthOperation.h"

#include "ChildProcess.h"
#include "LineDelimitedJSONReader.h"

#include <QJsonValue>

#include <algorithm>
#include <chrono>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Clock = LineDelimitedJSONReader::Clock;
using Result = std::expected<void, CodexOAuthError>;

// Far beyond any caller's deadline, and small enough for steady_clock arithmetic.
constexpr double longestTimeoutSeconds = 1.0e7;

// The requests are constants; written byte for byte as the app-server expects them.
constexpr QByteArrayView initializeRequest =
    R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},"capabilities":{"experimentalApi":true}}})";
constexpr QByteArrayView initializedNotification = R"({"method":"initialized","params":{}})";
constexpr QByteArrayView loginStartRequest =
    R"({"id":2,"method":"account/login/start","params":{"type":"chatgpt","useHostedLoginSuccessPage":true}})";
constexpr QByteArrayView logoutRequest = R"({"id":2,"method":"account/logout","params":null})";

Clock::duration timeoutDuration(double seconds)
{
    if (!(seconds > 0)) // also NaN
        return Clock::duration::zero();
    const double bounded = std::min(seconds, longestTimeoutSeconds);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

// A message and its line feed. The write is bounded by the conversation's deadline, so a
// child that never reads cannot hold us beyond it.
Result writeMessage(ChildProcess& child, const LineDelimitedJSONReader& reader, QByteArrayView message)
{
    QByteArray line = message.toByteArray();
    line.append('\n');
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(reader.deadline() - Clock::now());
    if (!child.writeInput(line, std::max(left, std::chrono::milliseconds::zero())))
        return std::unexpected(CodexOAuthError::Kind::writeFailed);
    return {};
}

std::int64_t errorCode(const QJsonValue& code)
{
    if (!code.isDouble())
        return -1;
    const double value = code.toDouble();
    // Out of range there is no integer value to give; the conversion would be undefined.
    if (!std::isfinite(value) || std::abs(value) >= 9.0e18)
        return -1;
    return code.toInteger(static_cast<qint64>(value));
}

// Skips notifications and answers to other requests; an answer carrying an error object fails.
std::expected<QJsonObject, CodexOAuthError> answerTo(int id, LineDelimitedJSONReader& reader)
{
    for (;;) {
        auto message = reader.nextObject();
        if (!message)
            return message;
        const QJsonValue messageId = message->value("id"_L1);
        if (!messageId.isDouble() || messageId.toDouble() != id)
            continue;
        const QJsonValue error = message->value("error"_L1);
        if (error.isObject())
            return std::unexpected(CodexOAuthError::rpcError(errorCode(error.toObject().value("code"_L1))));
        return message;
    }
}

Result handshake(ChildProcess& child, LineDelimitedJSONReader& reader)
{
    if (auto written = writeMessage(child, reader, initializeRequest); !written)
        return written;
    if (auto answer = answerTo(1, reader); !answer)
        return std::unexpected(answer.error());
    return writeMessage(child, reader, initializedNotification);
}

struct LoginStart {
    QString loginId;
    QUrl authUrl;
};

std::optional<LoginStart> loginStart(const QJsonObject& answer)
{
    const QJsonValue resultValue = answer.value("result"_L1);
    const QJsonObject result = resultValue.toObject();
    if (!resultValue.isObject() || result.isEmpty())
        return std::nullopt;
    const QJsonValue type = result.value("type"_L1);
    const QJsonValue loginId = result.value("loginId"_L1);
    const QJsonValue authUrl = result.value("authUrl"_L1);
    if (type != QJsonValue("chatgpt"_L1) || !loginId.isString() || !authUrl.isString())
        return std::nullopt;
    // The address goes to the desktop's URL handler: only a web page, never a local file or
    // another scheme's handler.
    const QUrl url(authUrl.toString(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "https"_L1 && scheme != "http"_L1) || url.host().isEmpty())
        return std::nullopt;
    return LoginStart{loginId.toString(), url};
}

// The completion notice for this sign-in; notices naming another sign-in are skipped.
std::expected<QJsonObject, CodexOAuthError> completion(const QString& loginId,
                                                       LineDelimitedJSONReader& reader)
{
    for (;;) {
        auto message = reader.nextObject();
        if (!message)
            return message;
        if (message->value("method"_L1) != QJsonValue("account/login/completed"_L1))
            continue;
        const QJsonValue params = message->value("params"_L1);
        if (!params.isObject())
            continue;
        const QJsonValue completedId = params.toObject().value("loginId"_L1);
        if (completedId.isString() && completedId.toString() != loginId)
            continue;
        return params.toObject();
    }
}

} // namespace

BlockingCodexOAuthOperation::BlockingCodexOAuthOperation(QString executablePath, EnvironmentMap environment,
                                                         double timeoutSeconds, qint64 outputLimit,
                                                         BrowserOpener browserOpener)
    : m_executablePath(std::move(executablePath))
    , m_environment(std::move(environment))
    , m_timeoutSeconds(timeoutSeconds)
    , m_outputLimit(outputLimit)
    , m_browserOpener(std::move(browserOpener))
{
}

Result BlockingCodexOAuthOperation::login() const
{
    return converse(
        [this](ChildProcess& child, LineDelimitedJSONReader& reader) { return loginBody(child, reader); });
}

Result BlockingCodexOAuthOperation::logout() const
{
    return converse([](ChildProcess& child, LineDelimitedJSONReader& reader) -> Result {
        if (auto shaken = handshake(child, reader); !shaken)
            return shaken;
        if (auto written = writeMessage(child, reader, logoutRequest); !written)
            return written;
        if (auto answer = answerTo(2, reader); !answer)
            return std::unexpected(answer.error());
        return {};
    });
}

Result BlockingCodexOAuthOperation::loginBody(ChildProcess& child, LineDelimitedJSONReader& reader) const
{
    if (auto shaken = handshake(child, reader); !shaken)
        return shaken;
    if (auto written = writeMessage(child, reader, loginStartRequest); !written)
        return written;
    const auto answer = answerTo(2, reader);
    if (!answer)
        return std::unexpected(answer.error());
    const auto started = loginStart(*answer);
    if (!started)
        return std::unexpected(CodexOAuthError::Kind::malformedResponse);
    if (!m_browserOpener || !m_browserOpener(started->authUrl))
        return std::unexpected(CodexOAuthError::Kind::browserCouldNotOpen);
    const auto params = completion(started->loginId, reader);
    if (!params)
        return std::unexpected(params.error());
    if (params->value("success"_L1) != QJsonValue(true))
        return std::unexpected(CodexOAuthError::Kind::signInFailed);
    return {};
}

Result BlockingCodexOAuthOperation::converse(const Body& body) const
{
    auto spawned = ChildProcess::spawn(
        m_executablePath, {u"app-server"_s, u"--stdio"_s}, m_environment,
        {ChildProcess::Channel::pipe, ChildProcess::Channel::pipe, ChildProcess::Channel::null});
    if (!spawned)
        return std::unexpected(CodexOAuthError::Kind::launchFailed);
    ChildProcess& child = **spawned;
    Result outcome;
    {
        LineDelimitedJSONReader reader(child.outputFd(), Clock::now() + timeoutDuration(m_timeoutSeconds),
                                       m_outputLimit);
        outcome = body(child, reader);
    }
    // Also closes our pipe ends; a child that already exited is only reaped. The grace,
    // SIGKILL and reaping happen in the background so the caller hears the outcome at once.
    child.terminateWithoutWaiting();
    return outcome;
}

} // namespace tallyvane
