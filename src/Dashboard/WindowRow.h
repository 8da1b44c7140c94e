#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QWidget>

#include <optional>

class QLabel;

namespace tallyvane {

class FreshnessBadge;
class UsageMeter;

// One further window of a provider: its name and freshness, the used share as a meter and a
// percentage, and when it resets.
class WindowRow : public QWidget {
    Q_OBJECT
public:
    explicit WindowRow(ProviderService service, QWidget* parent = nullptr);

    void setWindow(const UsageWindowSample& window, Instant now);

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
};

} // namespace tallyvane
