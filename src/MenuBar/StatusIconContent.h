#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsagePresentation/MenuBarConfiguration.h>
#include <UsagePresentation/MenuBarProjection.h>

#include <QList>
#include <QString>

#include <optional>

namespace tallyvane {

// What the square tray icon draws. Tray hosts cannot show the projection's text, so the icon
// carries the first shown provider's share and the tooltip carries the rest.
struct StatusIconContent {
    enum class Kind {
        glyph,   // nothing shown: the application's own glyph
        marks,   // icons only: the shown providers' marks
        ring,    // the first shown provider's used share
        pending, // before the first refresh finished: a neutral ring with an ellipsis
    };

    Kind kind = Kind::glyph;
    // marks: the first one or two shown services; ring: the first shown service.
    QList<ProviderService> services;
    // ring: the used share of the window the projection chose, absent without one.
    std::optional<double> usedFraction;
    // ring: the whole percent the projection shows ("42", in remaining mode what is left),
    // "—" without a value, absent when percentages are switched off.
    std::optional<QString> percent;

    // Reads the chosen window from the same snapshots and settings the projection was built
    // from, never from the projection's text.
    static StatusIconContent from(const MenuBarProjection& projection,
                                  const QList<ProviderMenuSnapshot>& snapshots,
                                  const MenuBarConfiguration& configuration);
    // Until the first refresh has finished, so the item reads as usage that is on its way
    // rather than as the application's logo.
    static StatusIconContent pending();

    friend bool operator==(const StatusIconContent&, const StatusIconContent&) = default;
};

} // namespace tallyvane
