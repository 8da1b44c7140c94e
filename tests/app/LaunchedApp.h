#pragma once

#include <app/TallyvaneAppDelegate.h>

#include "AppModelFixture.h"

#include <QApplication>

namespace tallyvane::testing {

// The application once launched: the delegate over a model whose fake providers answer like a
// real user's, with its widget server on a free port. Quitting is counted instead of done.
struct LaunchedApp {
    enum class Window { dashboard, settings, onboarding, popover };

    AppModelFixture fixture;
    ViewServices services = fixture.viewServices();
    int quits = 0;
    TallyvaneAppDelegate delegate{
        services, fixture.notifications, {.widgetServer = {.port = 0}, .chooseSaveFile = {}, .quit = [this] {
                                              ++quits;
                                          }}};

    LaunchedApp();

    // Opens the window as the tray menu does and returns it.
    QWidget* open(Window window);

    template <typename T> static T* topLevel()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            if (auto* found = qobject_cast<T*>(window))
                return found;
        }
        return nullptr;
    }
    static QWidget* visibleWindowTitled(const QString& title);
};

} // namespace tallyvane::testing
