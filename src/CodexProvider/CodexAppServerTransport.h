#pragma once

#include "CodexAppServerResponse.h"
#include "CodexProviderError.h"

#include <ProviderKit/ProcessEnvironment.h>

#include <QCoroTask>
#include <QString>

#include <expected>

namespace tallyvane {

// One app-server exchange per fetch(): a new child each time, nothing cached. The blocking
// conversation runs on the blocking pool; the caller only suspends.
class CodexAppServerTransport {
public:
    CodexAppServerTransport(QString executablePath, EnvironmentMap environment, double timeoutSeconds,
                            qint64 outputLimit);

    // Safe to call concurrently; each call owns its child and pipes. The deadline bounds it.
    QCoro::Task<std::expected<CodexAppServerResponse, CodexProviderError>> fetch() const;

    const QString& executablePath() const { return m_executablePath; }
    const EnvironmentMap& environment() const { return m_environment; }
    double timeoutSeconds() const { return m_timeoutSeconds; }
    qint64 outputLimit() const { return m_outputLimit; }

private:
    QString m_executablePath;
    EnvironmentMap m_environment;
    double m_timeoutSeconds;
    qint64 m_outputLimit;
};

} // namespace tallyvane
