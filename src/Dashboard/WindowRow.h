#pragma once

#include <ProviderKit/ProviderService.h>
#include <TallyvaneUI/UsageForecast.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QWidget>

#include <optional>

class QLabel;

namespace tallyvane {

class FreshnessBadge;
class UsageForecastLabel;
class UsageMeter;

// One further window of a provider: its name and freshness, the used share as a meter and a
// percentage, when it resets and whether it lasts until then at this pace.
class WindowRow : public QWidget {
    Q_OBJECT
public:
    explicit WindowRow(ProviderService service, QWidget* parent = nullptr);

    void setWindow(const UsageWindowSample& window, Instant now,
                   const std::optional<UsageForecast>& forecast = std::nullopt);

    // The display name, narrowed by the model it limits when the window names one.
    static QString windowName(const UsageWindowSample& window);
    // The remaining share as reported, else what the used share leaves.
    static std::optional<double> remainingFraction(const UsageWindowSample& window);

private:
    QLabel* m_name;
    FreshnessBadge* m_badge;
    QLabel* m_percent;
    UsageMeter* m_meter;
    QLabel* m_reset;
    UsageForecastLabel* m_forecast;
};

} // namespace tallyvane
