#pragma once

#include <ProviderKit/ProviderService.h>
#include <TallyvaneUI/UsageForecast.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QWidget>

#include <optional>

class QLabel;

namespace tallyvane {

class TimelineBar;
class UsageForecastLabel;

// Where now lies in a window's span, and how long until it resets: a reset line with the
// countdown, whether the allowance lasts at this pace, a bar from the window's start to its
// reset with the pace drawn dotted from now on, and the two ends. A window whose span is
// unknown says it has not started yet instead of drawing the bar.
class CountdownTimeline : public QWidget {
    Q_OBJECT
public:
    explicit CountdownTimeline(ProviderService service, QWidget* parent = nullptr);

    void setWindow(const UsageWindowSample& window, Instant now,
                   const std::optional<UsageForecast>& forecast = std::nullopt);

    // "1 hr, 29 min" until the reset; "Unknown" without a reset, "Not started" without a start.
    static QString countdownText(const UsageWindowSample& window, Instant now);
    QString countdown() const;

private:
    QLabel* m_countdown;
    QLabel* m_windowName;
    QWidget* m_resetLine;
    UsageForecastLabel* m_forecast;
    TimelineBar* m_bar;
    QLabel* m_startLabel;
    QLabel* m_endLabel;
    QWidget* m_ends;
    QWidget* m_notStarted;
};

} // namespace tallyvane
