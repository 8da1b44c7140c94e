#include "WindowRow.h"

#include "DashboardStyle.h"
#include "FreshnessBadge.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>
#include <UsageViews/UsageForecastLabel.h>
#include <UsageViews/UsageMeter.h>
#include <UsageViews/UsageWindowText.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tallyvane {

WindowRow::WindowRow(ProviderService service, QWidget* parent)
    : QWidget(parent)
    , m_name(new QLabel(this))
    , m_badge(new FreshnessBadge(this))
    , m_percent(new QLabel(this))
    , m_meter(new UsageMeter(service, this))
    , m_reset(new QLabel(this))
    , m_forecast(new UsageForecastLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(5);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    QFont nameFont = m_name->font();
    nameFont.setWeight(QFont::DemiBold);
    m_name->setFont(nameFont);
    DashboardStyle::makeFigure(m_percent, 1.0);
    DashboardStyle::makeSecondary(m_reset);
    top->addWidget(m_name);
    top->addWidget(m_badge);
    top->addStretch();
    top->addWidget(m_reset);
    top->addSpacing(10);
    top->addWidget(m_percent);
    layout->addLayout(top);
    layout->addWidget(m_meter);
    m_forecast->setAlignment(Qt::AlignRight);
    layout->addWidget(m_forecast);
}

QString WindowRow::windowName(const UsageWindowSample& window)
{
    const QString name = UsageWindowText::displayName(window.windowKind);
    if (window.modelID && !window.modelID->isEmpty())
        return name + QStringLiteral(" · ") + *window.modelID;
    return name;
}

std::optional<double> WindowRow::remainingFraction(const UsageWindowSample& window)
{
    return UsagePercent::remainingFraction(window).transform(&Decimal::toDouble);
}

void WindowRow::setWindow(const UsageWindowSample& window, Instant now,
                          const std::optional<UsageForecast>& forecast)
{
    const std::optional<double> used = UsageWindowText::usedFraction(window);
    const QString name = windowName(window);
    const QString percent = UsageWindowText::percentText(used);
    const QString reset = UsageWindowText::resetText(window, now);
    m_name->setText(name);
    m_badge->setSample(window);
    m_percent->setText(percent);
    m_meter->setUsedFraction(used);
    m_reset->setText(reset);
    m_forecast->setForecast(forecast, now);
    setToolTip(UsageWindowText::spanHelp(window, now));
    setAccessibleName(localized("%1, %2 used, resets %3").arg(name, percent, reset));
}

} // namespace tallyvane
