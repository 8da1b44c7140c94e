#include "SymbolIcon.h"

#include "TintedSvgIconEngine.h"

#include <QApplication>
#include <QHash>
#include <QPalette>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::SymbolIcon {

namespace {

const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> names{
        {u"arrow.clockwise"_s, u"view-refresh"_s},
        {u"gearshape"_s, u"configure"_s},
        {u"power"_s, u"application-exit"_s},
        {u"eye.slash"_s, u"view-hidden"_s},
        {u"exclamationmark.triangle"_s, u"dialog-warning"_s},
        {u"person.crop.circle.badge.exclamationmark"_s, u"dialog-password"_s},
        {u"clock"_s, u"clock"_s},
        {u"clock.arrow.circlepath"_s, u"document-open-recent"_s},
        {u"chart.xyaxis.line"_s, u"office-chart-line"_s},
        {u"person.crop.circle"_s, u"user-identity"_s},
        {u"menubar.rectangle"_s, u"preferences-desktop"_s},
        {u"checkmark.shield"_s, u"security-high"_s},
        {u"stethoscope"_s, u"tools-report-bug"_s},
        {u"hand.raised"_s, u"security-medium"_s},
        {u"info.circle"_s, u"dialog-information"_s},
        {u"exclamationmark.triangle.fill"_s, u"dialog-warning"_s},
        {u"exclamationmark.octagon.fill"_s, u"dialog-error"_s},
        {u"memorychip"_s, u"media-flash"_s},
        {u"text.badge.xmark"_s, u"edit-clear"_s},
        {u"bolt"_s, u"system-run"_s},
        {u"internaldrive.badge.xmark"_s, u"drive-harddisk"_s},
        {u"chevron.left"_s, u"go-previous"_s},
        {u"gauge.with.dots.needle.67percent"_s, u"utilities-system-monitor"_s},
    };
    return names;
}

} // namespace

QString themeName(const QString& symbol)
{
    return themeNames().value(symbol);
}

QString resourcePath(const QString& symbol)
{
    return u":/tallyvane/symbols/"_s + symbol + u".svg"_s;
}

QIcon named(const QString& symbol, const QColor& tint)
{
    if (!tint.isValid()) {
        const QString theme = themeName(symbol);
        if (!theme.isEmpty() && QIcon::hasThemeIcon(theme))
            return QIcon::fromTheme(theme);
    }
    const QColor ink = tint.isValid() ? tint : QApplication::palette().color(QPalette::WindowText);
    return QIcon(new TintedSvgIconEngine(resourcePath(symbol), ink));
}

} // namespace tallyvane::SymbolIcon
