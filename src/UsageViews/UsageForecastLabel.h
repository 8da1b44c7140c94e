#pragma once

#include <TallyvaneUI/UsageForecast.h>

#include <QLabel>

#include <optional>

namespace tallyvane {

// One window's forecast line: a warning in the warning colour, otherwise quiet secondary text,
// and hidden when the window has no forecast.
class UsageForecastLabel : public QLabel {
    Q_OBJECT
public:
    explicit UsageForecastLabel(QWidget* parent = nullptr);

    void setForecast(const std::optional<UsageForecast>& forecast, Instant now);
    bool isWarning() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyInk();

    std::optional<UsageForecast> m_forecast;
    bool m_applyingInk = false;
};

} // namespace tallyvane
