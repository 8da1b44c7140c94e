#include "AppearanceFollower.h"

#include <UsageViews/Appearance.h>

#include <QApplication>
#include <QEvent>
#include <QStyle>

namespace tallyvane {

AppearanceFollower::AppearanceFollower(const PortalAppearance& portal, QObject* parent)
    : QObject(parent)
    , m_portal(portal)
    , m_platformPalette(QApplication::palette())
{
    QObject::connect(&portal, &PortalAppearance::changed, this, &AppearanceFollower::follow);
    qApp->installEventFilter(this);
    follow();
}

bool AppearanceFollower::eventFilter(QObject* watched, QEvent* event)
{
    // A palette the platform sends (its theme changed) is the new ground to follow from.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_installing) {
        m_platformPalette = QApplication::palette();
        follow();
    }
    return QObject::eventFilter(watched, event);
}

void AppearanceFollower::follow()
{
    const std::optional<bool> animations = m_portal.animationsEnabled();
    Appearance::setDesktopReducedMotion(animations ? std::optional(!*animations) : std::nullopt);

    const std::optional<ColorSchemePreference> scheme = m_portal.colorScheme();
    const bool platformIsDark = Appearance::isDark(m_platformPalette);
    QPalette wanted = m_platformPalette;
    if (scheme == ColorSchemePreference::dark && !platformIsDark)
        wanted = Appearance::darkPalette();
    else if (scheme == ColorSchemePreference::light && platformIsDark)
        wanted = QApplication::style()->standardPalette();
    if (wanted == QApplication::palette())
        return;
    m_installing = true;
    QApplication::setPalette(wanted);
    m_installing = false;
}

} // namespace tallyvane
