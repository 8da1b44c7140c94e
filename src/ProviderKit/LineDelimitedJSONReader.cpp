#include "LineDelimitedJSONReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <poll.h>
#include <unistd.h>

namespace tallyvane {

namespace {

// Milliseconds left until `deadline` for poll(2): never 0 or negative (a zero timeout would
// spin), and clamped so a far deadline cannot overflow an int.
int pollTimeout(LineDelimitedJSONReader::Clock::time_point deadline)
{
    const std::chrono::duration<double, std::milli> left = deadline - LineDelimitedJSONReader::Clock::now();
    const double milliseconds = std::min(left.count(), double(std::numeric_limits<int>::max()));
    const int wait = milliseconds > 0 ? static_cast<int>(milliseconds) : 0;
    return wait < 2 ? 1 : wait;
}

} // namespace

LineDelimitedJSONReader::LineDelimitedJSONReader(int fd, Clock::time_point deadline, qint64 outputLimit)
    : m_fd(fd)
    , m_deadline(deadline)
    , m_outputLimit(outputLimit)
{
}

std::expected<QJsonObject, CodexOAuthError> LineDelimitedJSONReader::nextObject()
{
    for (;;) {
        if (Clock::now() >= m_deadline)
            return std::unexpected(CodexOAuthError::Kind::timedOut);
        const qsizetype lineFeed = m_pending.indexOf('\n', m_searched);
        if (lineFeed < 0) {
            m_searched = m_pending.size();
            if (auto read = readChunk(); !read)
                return std::unexpected(read.error());
            continue;
        }
        const QByteArray line = m_pending.first(lineFeed);
        m_pending.remove(0, lineFeed + 1);
        m_searched = 0;
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return std::unexpected(CodexOAuthError::Kind::malformedResponse);
        return document.object();
    }
}

std::expected<void, CodexOAuthError> LineDelimitedJSONReader::readChunk()
{
    // poll(2) ignores a negative descriptor and would only wait for the deadline.
    if (m_fd < 0)
        return std::unexpected(CodexOAuthError::Kind::pollFailed);
    pollfd readable{m_fd, POLLIN, 0};
    const int ready = ::poll(&readable, 1, pollTimeout(m_deadline));
    if (ready < 0) {
        if (errno == EINTR)
            return {};
        return std::unexpected(CodexOAuthError::Kind::pollFailed);
    }
    if (ready == 0)
        return std::unexpected(CodexOAuthError::Kind::timedOut);

    char buffer[chunkSize] = {};
    ssize_t count;
    do {
        count = ::read(m_fd, buffer, sizeof buffer);
    } while (count < 0 && errno == EINTR);
    // The child's pipe end is non-blocking: a spurious wake-up is no reason to give up.
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return {};
    if (count <= 0)
        return std::unexpected(CodexOAuthError::Kind::streamEnded);

    m_totalBytes += count;
    if (m_totalBytes > m_outputLimit)
        return std::unexpected(CodexOAuthError::Kind::outputLimitExceeded);
    m_pending.append(buffer, count);
    return {};
}

} // namespace tallyvane
