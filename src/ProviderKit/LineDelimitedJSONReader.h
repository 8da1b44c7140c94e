#pragma once

#include "CodexOAuthError.h"

#include <QByteArray>
#include <QJsonObject>

#include <chrono>
#include <expected>

namespace tallyvane {

// Takes one JSON object at a time from a child's standard output, where the child writes one
// JSON document per line. One deadline, fixed at creation, and one byte cap bound the whole
// conversation. Blocks the calling thread; not locked, so one thread at a time.
//
// The descriptor stays the caller's: the reader never closes it.
class LineDelimitedJSONReader {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr qsizetype chunkSize = 8192;

    LineDelimitedJSONReader(int fd, Clock::time_point deadline, qint64 outputLimit);

    // The next non-empty line as an object. Fails with timedOut, pollFailed, streamEnded,
    // outputLimitExceeded or malformedResponse. A last line without a line feed is never
    // returned: when the stream ends first the result is streamEnded.
    std::expected<QJsonObject, CodexOAuthError> nextObject();

    Clock::time_point deadline() const { return m_deadline; }
    qint64 totalBytes() const { return m_totalBytes; }

private:
    // Waits for the descriptor and appends one read; a value means go round again.
    std::expected<void, CodexOAuthError> readChunk();

    const int m_fd;
    const Clock::time_point m_deadline;
    const qint64 m_outputLimit;
    QByteArray m_pending;
    // Bytes at the start of m_pending already known to hold no line feed.
    qsizetype m_searched = 0;
    qint64 m_totalBytes = 0;
};

} // namespace tallyvane
