#pragma once

#include "FakeCodexScenario.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace tallyvane::testing {

// The real `tallyvane` binary started inside the test's desktop, with a fake `codex` first on
// its PATH that reports one signed-in Codex account. Preferences say onboarding is done and
// Codex is authorised, so the first refresh shows numbers without any window opening.
class DesktopApplication {
public:
    static constexpr quint16 widgetPort = 47392;

    DesktopApplication();
    ~DesktopApplication();
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

    // An empty string when the scratch folder or the fake could not be set up.
    QString prepare(int codexPercent);
    bool start(const QString& platform);
    // Sends the signal and waits for the process to end; true when it ended by itself within
    // the bound (exit status in exitCode()), not killed.
    bool stopWith(int signalNumber, int boundMs);
    bool waitForExit(int boundMs);

    qint64 pid() const { return m_process.processId(); }
    int exitCode() const { return m_process.exitCode(); }

    // Whether something listens on the widget port of this network namespace.
    static bool widgetPortInUse();

private:
    QTemporaryDir m_scratch;
    std::optional<FakeCodexScenario> m_fake;
    QProcess m_process;
};

} // namespace tallyvane::testing
