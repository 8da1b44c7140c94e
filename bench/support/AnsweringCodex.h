#pragma once

#include <FakeCodexScenario.h>

#include <expected>

namespace tallyvane::bench {

// The fake `codex` installed in `directory`, answering like the CLI of a signed-in account: one
// window, one day of tokens, and its version.
std::expected<testing::FakeCodexScenario, QString> installAnsweringCodex(const QString& directory);

} // namespace tallyvane::bench
