#include "UsageForecastLabel.h"

#include "Appearance.h"
#include "UsageColors.h"
#include "UsageForecastText.h"

#include <QEvent>

namespace tallyvane {

UsageForecastLabel::UsageForecastLabel(QWidget* parent)
    : QLabel(parent)
{
    setWordWrap(true);
    setVisible(false);
}

void UsageForecastLabel::setForecast(const std::optional<UsageForecast>& forecast, Instant now)
{
    m_forecast = forecast;
    setVisible(forecast.has_value());
    setText(forecast ? UsageForecastText::line(*forecast, now) : QString());
    applyInk();
}

bool UsageForecastLabel::isWarning() const
{
    return m_forecast && UsageForecastText::isWarning(*m_forecast);
}

void UsageForecastLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // Our own palette change below also arrives here.
    if (event->type() == QEvent::PaletteChange && !m_applyingInk)
        applyInk();
}

void UsageForecastLabel::applyInk()
{
    m_applyingInk = true;
    // Only the roles set here are our own; the rest still follow the window's palette.
    QPalette ink;
    if (isWarning())
        ink.setColor(QPalette::WindowText, UsageColors::warning(Appearance::isDark(palette())));
    setPalette(ink);
    setForegroundRole(isWarning() ? QPalette::WindowText : QPalette::PlaceholderText);
    m_applyingInk = false;
}

} // namespace tallyvane
