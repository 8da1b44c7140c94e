#pragma once

#include <ProviderKit/CodexExecutableSearch.h>

namespace tallyvane {

// Where the provider looks for `codex`: the same search the authentication manager makes.
using CodexLookup = CodexExecutableSearch;

} // namespace tallyvane
