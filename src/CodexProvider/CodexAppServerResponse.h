#pragma once

#include <QByteArray>

#include <optional>

namespace tallyvane {

// The two answer lines of one app-server exchange, exactly as received (without the line
// feed), for the normaliser. The account-usage answer is optional: it may fail or never come.
struct CodexAppServerResponse {
    QByteArray rateLimits;
    std::optional<QByteArray> accountUsage;

    friend bool operator==(const CodexAppServerResponse&, const CodexAppServerResponse&) = default;
};

} // namespace tallyvane
