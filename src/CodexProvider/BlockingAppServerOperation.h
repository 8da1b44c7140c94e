#pragma once

#include "CodexAppServerResponse.h"
#include "CodexProviderError.h"

#include <ProviderKit/ProcessEnvironment.h>

#include <QByteArrayList>
#include <QString>

#include <expected>

namespace tallyvane {

// One app-server conversation, start to finish, on the calling thread: launch
// `codex app-server --stdio`, handshake, ask for rate limits and account usage, and collect
// the two answer lines within one deadline and one output cap. Blocks; run it on the
// blocking pool. Every exit hands the child to a background reaper, so none is left behind.
class BlockingAppServerOperation {
public:
    using Result = std::expected<CodexAppServerResponse, CodexProviderError>;

    BlockingAppServerOperation(QString executablePath, EnvironmentMap environment, double timeoutSeconds,
                               qint64 outputLimit);

    Result run() const;

    // The exact request lines, in the order they are written, each ending in a line feed.
    static QByteArrayList requestLines();

    const QString& executablePath() const { return m_executablePath; }
    const EnvironmentMap& environment() const { return m_environment; }
    double timeoutSeconds() const { return m_timeoutSeconds; }
    qint64 outputLimit() const { return m_outputLimit; }

private:
    const QString m_executablePath;
    const EnvironmentMap m_environment;
    const double m_timeoutSeconds;
    const qint64 m_outputLimit;
};

} // namespace tallyvane
