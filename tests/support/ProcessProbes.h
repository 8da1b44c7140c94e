#pragma once

namespace tallyvane::testing {

// Descriptors this process holds open. Pool threads come and go with an eventfd each for their
// event dispatcher, and a sanitizer runtime opens files of its own at any moment; those are not
// ours and are not counted.
int openDescriptorCount();

// True when this process has no child left at all, reaped or not.
bool noChildrenRemain();

// SIGTERM, then SIGKILL after the grace, then the reap in the background: all well within this.
inline constexpr int reaperWaitMs = 8000;

} // namespace tallyvane::testing
