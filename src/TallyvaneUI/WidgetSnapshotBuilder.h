#pragma once

#include "ProviderViewState.h"

#include <ProviderKit/ProviderConnectionState.h>
#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <QHash>

#include <optional>

namespace tallyvane {

// Pure functions that turn the model's state into the document served to the widget.
namespace WidgetSnapshotBuilder {

// Nothing when the sample carries neither a used nor a remaining fraction.
std::optional<WidgetWindow> widgetWindow(const UsageWindowSample& sample);

// The first view state of the service, its displayed windows (the primary one first, then the
// others in display order), and a state that tells a signed-in service without usable data
// apart from one that needs a sign-in.
WidgetProviderUsage
widgetProviderUsage(WidgetProviderService service, const QList<ProviderViewState>& providers,
                    const QHash<ProviderService, ProviderConnectionState>& connectionStates);

// codex, then claude.
WidgetUsageSnapshot snapshot(Instant updatedAt, const QList<ProviderViewState>& providers,
                             const QHash<ProviderService, ProviderConnectionState>& connectionStates);

} // namespace WidgetSnapshotBuilder
} // namespace tallyvane
