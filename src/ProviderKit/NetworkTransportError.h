#pragma once

#include <UsageDomain/EnumCases.h>

#include <variant>

namespace tallyvane {

// Why an HTTP request got no usable answer at the transport level. Deliberately without text:
// the client's own error strings name the address, and nothing here may carry one.
enum class NetworkTransportError { timedOut, connectionFailed, secureConnectionFailed, failed };

template <> struct EnumCases<NetworkTransportError> {
    static constexpr std::array<std::string_view, 4> names{"timedOut", "connectionFailed",
                                                           "secureConnectionFailed", "failed"};
};

} // namespace tallyvane
