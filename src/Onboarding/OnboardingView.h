#pragma once

#include <UsageViews/ViewServices.h>

#include <QWidget>

#include <functional>

class QStackedWidget;

namespace tallyvane {

class OnboardingConnectStep;

// The two onboarding steps; "Continue" slides to the second unless the user reduces motion.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    OnboardingView(const ViewServices& services, std::function<void()> onComplete, QWidget* parent = nullptr);

    // 0 = welcome, 1 = connections.
    int step() const;
    void setStep(int step, bool animated);
    OnboardingConnectStep* connectStep() const { return m_connect; }

private:
    void animateIn(QWidget* page, int direction);

    QStackedWidget* m_steps = nullptr;
    OnboardingConnectStep* m_connect = nullptr;
};

} // namespace tallyvane
