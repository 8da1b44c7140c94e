#pragma once

#include "ProcessSupportError.h"

#include <QByteArray>

#include <expected>

namespace tallyvane {

// What a finished child left behind. `status` is its exit code, or the signal number when a
// signal ended it; the runner never judges it.
struct CommandOutput {
    int status = 0;
    QByteArray standardOutput;
    QByteArray standardError;

    friend bool operator==(const CommandOutput&, const CommandOutput&) = default;
};

using CommandResult = std::expected<CommandOutput, ProcessSupportError>;

} // namespace tallyvane
