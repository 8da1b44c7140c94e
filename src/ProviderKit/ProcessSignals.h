#pragma once

namespace tallyvane {

// Ignores SIGPIPE for the whole process, once, so that writing to a pipe whose reader has
// exited fails with EPIPE instead of terminating the application. Safe to call repeatedly
// and from any thread. Children do not inherit this: they start with default dispositions.
void ignoreSigpipeProcessWide();

} // namespace tallyvane
