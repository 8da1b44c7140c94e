#pragma once

#include <Platform/PortalAppearance.h>

#include <QObject>
#include <QPalette>

namespace tallyvane {

// Keeps the application's look in step with what the desktop publishes. Qt 6.4 does not read
// the portal's colour scheme, so where the desktop asks for dark and the platform's palette is
// light, a dark palette is installed, and the platform's palette comes back when the desktop
// asks for light or states no preference; where nothing is published, the palette decides.
// The desktop's animation switch becomes the reduced-motion wish.
class AppearanceFollower : public QObject {
    Q_OBJECT
public:
    explicit AppearanceFollower(const PortalAppearance& portal, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    const PortalAppearance& m_portal;
    // The palette as the platform gives it, kept current when the platform changes it.
    QPalette m_platformPalette;
    bool m_installing = false;
};

} // namespace tallyvane
