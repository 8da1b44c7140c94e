#pragma once

#include "CodexOAuthError.h"
#include "ProcessEnvironment.h"

#include <QCoroTask>
#include <QString>

#include <expected>

namespace tallyvane {

// Signs the user's ChatGPT account in to or out of the `codex` tool. The caller passes the
// located executable and its child environment (ProcessEnvironment::forExecutable).
class CodexAccountAuthenticating {
public:
    virtual ~CodexAccountAuthenticating() = default;

    // Lasts as long as the user takes in the browser, up to the sign-in deadline.
    virtual QCoro::Task<std::expected<void, CodexOAuthError>> login(QString executablePath,
                                                                    EnvironmentMap environment) = 0;
    virtual QCoro::Task<std::expected<void, CodexOAuthError>> logout(QString executablePath,
                                                                     EnvironmentMap environment) = 0;

protected:
    CodexAccountAuthenticating() = default;
    CodexAccountAuthenticating(const CodexAccountAuthenticating&) = default;
    CodexAccountAuthenticating& operator=(const CodexAccountAuthenticating&) = default;
};

} // namespace tallyvane
