#include "OnboardingView.h"

#include "OnboardingConnectStep.h"
#include "OnboardingWelcomeStep.h"

#include <UsageViews/Appearance.h>

#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tallyvane {

OnboardingView::OnboardingView(const ViewServices& services, std::function<void()> onComplete,
                               QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_steps = new QStackedWidget(this);
    auto* welcome = new OnboardingWelcomeStep(m_steps);
    m_connect = new OnboardingConnectStep(services, m_steps);
    m_steps->addWidget(welcome);
    m_steps->addWidget(m_connect);
    column->addWidget(m_steps);

    connect(welcome, &OnboardingWelcomeStep::continueRequested, this,
            [this] { setStep(1, !Appearance::prefersReducedMotion()); });
    connect(welcome, &OnboardingWelcomeStep::dismissRequested, this, onComplete);
    connect(m_connect, &OnboardingConnectStep::backRequested, this,
            [this] { setStep(0, !Appearance::prefersReducedMotion()); });
    connect(m_connect, &OnboardingConnectStep::finishRequested, this, onComplete);
}

int OnboardingView::step() const
{
    return m_steps->currentIndex();
}

void OnboardingView::setStep(int step, bool animated)
{
    if (step == m_steps->currentIndex() || step < 0 || step >= m_steps->count())
        return;
    const int direction = step > m_steps->currentIndex() ? 1 : -1;
    m_steps->setCurrentIndex(step);
    if (animated)
        animateIn(m_steps->currentWidget(), direction);
}

void OnboardingView::animateIn(QWidget* page, int direction)
{
    // A short slide from the side the user is heading to, with a fade; the effect is removed
    // afterwards because an opacity effect renders the page through an offscreen buffer.
    auto* fade = new QGraphicsOpacityEffect(page);
    page->setGraphicsEffect(fade);
    auto* group = new QParallelAnimationGroup(page);
    auto* opacity = new QPropertyAnimation(fade, "opacity", group);
    opacity->setStartValue(0.0);
    opacity->setEndValue(1.0);
    opacity->setDuration(220);
    auto* slide = new QPropertyAnimation(page, "pos", group);
    slide->setStartValue(QPoint(direction * 36, 0));
    slide->setEndValue(QPoint(0, 0));
    slide->setDuration(220);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    connect(group, &QAbstractAnimation::finished, page, [page] { page->setGraphicsEffect(nullptr); });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace tallyvane
