#include "Appearance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::Appearance {

namespace {

std::optional<bool> forced(const char* variable)
{
    const QByteArray value = qgetenv(variable);
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    return std::nullopt;
}

std::optional<bool> desktopReducedMotion;

QString configFile(const QString& name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(name);
}

} // namespace

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

static bool readReducedMotion()
{
    // Qt exposes no reduce-motion hint, so read the two desktop settings that carry it: Plasma's
    // animation speed (0 = instant) and the GTK switch that GNOME-like desktops mirror.
    const QSettings plasma(configFile(u"kdeglobals"_s), QSettings::IniFormat);
    if (plasma.value(u"KDE/AnimationDurationFactor"_s, 1.0).toDouble() == 0.0)
        return true;
    const QSettings gtk(configFile(u"gtk-3.0/settings.ini"_s), QSettings::IniFormat);
    const QString animations = gtk.value(u"Settings/gtk-enable-animations"_s, u"true"_s).toString();
    return animations == "false"_L1 || animations == "0"_L1;
}

bool prefersReducedMotion()
{
    if (const auto value = forced("TALLYVANE_REDUCE_MOTION"))
        return *value;
    if (desktopReducedMotion)
        return *desktopReducedMotion;
    // Every meter asks on every change; read the desktop files at most every few seconds.
    static QElapsedTimer age;
    static bool reduced = false;
    if (!age.isValid() || age.hasExpired(5000)) {
        reduced = readReducedMotion();
        age.start();
    }
    return reduced;
}

void setDesktopReducedMotion(std::optional<bool> reduced)
{
    desktopReducedMotion = reduced;
}

QPalette darkPalette()
{
    const QColor text(0xec, 0xec, 0xf0);
    QPalette palette(QColor(0x34, 0x35, 0x3b), QColor(0x1f, 0x20, 0x24));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        palette.setColor(role, text);
    palette.setColor(QPalette::Base, QColor(0x18, 0x19, 0x1c));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x27, 0x2b));
    palette.setColor(QPalette::ToolTipBase, QColor(0x2c, 0x2d, 0x32));
    palette.setColor(QPalette::PlaceholderText, QColor(0x96, 0x97, 0x9e));
    palette.setColor(QPalette::Highlight, QColor(0x6c, 0x85, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x78, 0x79, 0x80));
    return palette;
}

QFont scaledFont(QFont font, qreal factor)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));
    return font;
}

bool prefersOpaqueSurfaces()
{
    if (const auto value = forced("TALLYVANE_REDUCE_TRANSPARENCY"))
        return *value;
    // Wayland always composites; on X11 and elsewhere a compositor cannot be assumed.
    return !QGuiApplication::platformName().startsWith("wayland"_L1);
}

} // namespace tallyvane::Appearance
