#pragma once

#include "DesktopApplication.h"
#include "DesktopWindows.h"
#include "StatusNotifierItemProbe.h"

#include <QObject>

#include <memory>
#include <optional>

namespace tallyvane::testing {

// What the desktop suites share: a fresh application for every test, and the steps that read
// alike on every desktop. A step that fails has recorded the failure; the test then returns
// when QTest::currentTestFailed() says so.
class DesktopSuite : public QObject {
    Q_OBJECT
protected:
    static constexpr int boundMs = 20'000;
    static inline const QString popoverTitle = QStringLiteral("Tallyvane");

    explicit DesktopSuite(WindowSystem system)
        : m_system(system)
    {
    }

    // Starts the application and waits for the item it registers with the watcher.
    std::optional<StatusNotifierItemProbe> startWithItem(const QString& platform, int codexPercent = 42);
    // Whether the item's tooltip shows this Codex percentage within the bound.
    static bool showsCodexPercent(const StatusNotifierItemProbe& item, int percent);
    // Waits for the popover, the window titled like the application other than `except`, and
    // checks it settles on the screen below the top `bar` pixels; it lands in m_popover.
    void popoverSettlesBelowTheBar(WindowSystem shownIn, int bar, const QString& except = {});
    void popoverCloses(WindowSystem shownIn, const QString& except = {});
    // Without a tray the dashboard is the main window: closing it ends the application, which
    // frees the widget port.
    void closingTheDashboardQuits(const QString& platform);

    const WindowSystem m_system;
    std::unique_ptr<DesktopApplication> m_app;
    std::optional<DesktopWindow> m_popover;

private Q_SLOTS:
    void init();
    void cleanup();
};

} // namespace tallyvane::testing
