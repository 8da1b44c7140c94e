#pragma once

#include <UsageViews/ViewServices.h>

#include <QObject>
#include <QPointer>

class QWidget;

namespace tallyvane {

class OnboardingView;

// Shows the welcome window at launch until the user finishes or dismisses it. Closing the
// window any other way leaves the flag unset, so it comes back, from the first step, next time.
class OnboardingWindowController : public QObject {
    Q_OBJECT
public:
    explicit OnboardingWindowController(const ViewServices& services, QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    void showIfNeeded();
    // Stores that onboarding is done and closes the window.
    void onComplete();
    // The window while it is open.
    QWidget* window() const { return m_window; }
    OnboardingView* view() const;

private:
    const ViewServices& m_services;
    QPointer<QWidget> m_window;
};

} // namespace tallyvane
