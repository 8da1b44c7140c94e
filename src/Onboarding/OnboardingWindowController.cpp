#include "OnboardingWindowController.h"

#include "OnboardingView.h"

#include <TallyvaneUI/Preferences.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/WindowPlacement.h>

#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

OnboardingWindowController::OnboardingWindowController(const ViewServices& services, QObject* parent)
    : QObject(parent)
    , m_services(services)
{
}

OnboardingWindowController::~OnboardingWindowController()
{
    delete m_window;
}

OnboardingView* OnboardingWindowController::view() const
{
    return m_window ? m_window->findChild<OnboardingView*>() : nullptr;
}

void OnboardingWindowController::showIfNeeded()
{
    if (m_services.preferences.onboardingCompleted())
        return;
    if (!m_window) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(localized("Welcome to Tallyvane"));
        window->setWindowIcon(QIcon(u":/tallyvane/app.tallyvane.Tallyvane.svg"_s));
        auto* column = new QVBoxLayout(window);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(new OnboardingView(
            m_services, [this] { onComplete(); }, window));
        window->setMinimumSize(560, 480);
        window->resize(600, 520);
        WindowPlacement::centre(*window);
        m_window = window;
    }
    m_window->show();
    WindowPlacement::keepInside(*m_window);
    m_window->raise();
    m_window->activateWindow();
}

void OnboardingWindowController::onComplete()
{
    m_services.preferences.setValue(PreferenceKey::onboardingCompleted, true);
    if (m_window)
        m_window->close();
}

} // namespace tallyvane
