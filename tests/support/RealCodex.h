#pragma once

#include <QFileInfo>
#include <QTest>

// Sets `path` to the pinned real codex CLI that scripts/test installs and names in
// TALLYVANE_REAL_CODEX. Without it the test is skipped, except under CI=true, where a missing
// peer is a failure rather than a silent pass.
#define TALLYVANE_REQUIRE_REAL_CODEX(path)                                                                   \
    do {                                                                                                     \
        path = qEnvironmentVariable("TALLYVANE_REAL_CODEX");                                                 \
        if (path.isEmpty()) {                                                                                \
            if (qEnvironmentVariable("CI") == QLatin1StringView("true"))                                     \
                QFAIL("TALLYVANE_REAL_CODEX is not set; the real codex CLI is required under CI");           \
            QSKIP("TALLYVANE_REAL_CODEX is not set");                                                        \
        }                                                                                                    \
        QVERIFY2(QFileInfo(path).isExecutable(), "TALLYVANE_REAL_CODEX is not an executable");               \
    } while (false)
