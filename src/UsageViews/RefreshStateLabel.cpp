#include "RefreshStateLabel.h"

#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>

namespace tallyvane {

RefreshStateLabel::RefreshStateLabel(const ViewServices& services, QWidget* parent)
    : QLabel(parent)
    , m_services(services)
{
    setForegroundRole(QPalette::PlaceholderText);
    connect(&services.model, &UsageAppModel::isRefreshingChanged, this, &RefreshStateLabel::refresh);
    connect(&services.model, &UsageAppModel::lastUpdatedAtChanged, this, &RefreshStateLabel::refresh);
    m_tick.setInterval(std::chrono::minutes(1));
    connect(&m_tick, &QTimer::timeout, this, &RefreshStateLabel::refresh);
    m_tick.start();
    refresh();
}

QString RefreshStateLabel::text(bool refreshing, std::optional<Instant> lastUpdatedAt, Instant now)
{
    if (refreshing)
        return localized("Refreshing");
    if (!lastUpdatedAt)
        return localized("Awaiting data");
    return localized("Updated %1").arg(RelativeTimeFormatter::relative(lastUpdatedAt->secondsSince(now)));
}

void RefreshStateLabel::refresh()
{
    const UsageAppModel& model = m_services.model;
    setText(text(model.isRefreshing(), model.lastUpdatedAt(), m_services.now()));
}

} // namespace tallyvane
