#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QString>

#include <optional>

namespace tallyvane {

// The light or dark look a desktop asks applications for.
enum class ColorSchemePreference { noPreference, dark, light };

// Reads the appearance settings desktops publish through the XDG desktop portal's Settings
// interface: the colour scheme (org.freedesktop.appearance color-scheme) and, on GNOME,
// whether animations are on (org.gnome.desktop.interface enable-animations). A value stays
// absent where no portal answers or the desktop does not publish it; later changes arrive
// through the portal's SettingChanged signal. The first reads are asynchronous: the portal may
// be started on demand, and launching must not wait for it.
class PortalAppearance : public QObject {
    Q_OBJECT
public:
    explicit PortalAppearance(QObject* parent = nullptr);

    std::optional<ColorSchemePreference> colorScheme() const { return m_colorScheme; }
    std::optional<bool> animationsEnabled() const { return m_animationsEnabled; }

    // The portal's encoding of color-scheme: 0 no preference, 1 dark, 2 light; anything else
    // is not understood.
    static std::optional<ColorSchemePreference> colorSchemeFromPortal(const QVariant& value);

Q_SIGNALS:
    // After a value arrived or changed.
    void changed();

private Q_SLOTS:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void read(const QString& nameSpace, const QString& key);
    void take(const QString& nameSpace, const QString& key, const QVariant& value);

    std::optional<ColorSchemePreference> m_colorScheme;
    std::optional<bool> m_animationsEnabled;
};

} // namespace tallyvane
