#pragma once

#include <QString>

namespace tallyvane {

// What the browser brought back to the loopback listener, already percent-decoded.
struct OAuthCallback {
    QString code;
    QString state;

    bool operator==(const OAuthCallback&) const = default;
};

} // namespace tallyvane
