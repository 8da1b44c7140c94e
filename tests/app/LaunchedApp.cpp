#include "LaunchedApp.h"

#include <Dashboard/DashboardWindow.h>
#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsWindow.h>

namespace tallyvane::testing {

LaunchedApp::LaunchedApp()
{
    fixture.answerRealistically();
    delegate.applicationDidFinishLaunching();
}

QWidget* LaunchedApp::open(Window window)
{
    MenuBarController& menuBar = *delegate.menuBar();
    switch (window) {
    case Window::dashboard:
        menuBar.openDashboard();
        return topLevel<DashboardWindow>();
    case Window::settings:
        menuBar.openSettings();
        return topLevel<SettingsWindow>();
    case Window::onboarding:
        return delegate.onboarding()->window();
    case Window::popover:
        menuBar.togglePopover();
        return &menuBar.popover();
    }
    return nullptr;
}

QWidget* LaunchedApp::visibleWindowTitled(const QString& title)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->windowTitle() == title)
            return window;
    }
    return nullptr;
}

} // namespace tallyvane::testing
