#include "CountdownTimeline.h"

#include "DashboardStyle.h"
#include "TimelineBar.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/UsageForecastLabel.h>
#include <UsageViews/UsageWindowText.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tallyvane {

CountdownTimeline::CountdownTimeline(ProviderService service, QWidget* parent)
    : QWidget(parent)
    , m_countdown(new QLabel(this))
    , m_windowName(new QLabel(this))
    , m_resetLine(new QWidget(this))
    , m_forecast(new UsageForecastLabel(this))
    , m_bar(new TimelineBar(service, this))
    , m_startLabel(new QLabel(this))
    , m_endLabel(new QLabel(this))
    , m_ends(new QWidget(this))
    , m_notStarted(new QWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* resetLayout = new QHBoxLayout(m_resetLine);
    resetLayout->setContentsMargins(0, 0, 0, 0);
    resetLayout->setSpacing(8);
    resetLayout->addWidget(
        DashboardStyle::symbolLabel(QStringLiteral("clock.arrow.circlepath"), 16, {}, m_resetLine));
    DashboardStyle::makeFigure(m_countdown, 1.1);
    DashboardStyle::makeSecondary(m_windowName);
    resetLayout->addWidget(m_countdown);
    resetLayout->addWidget(m_windowName);
    resetLayout->addStretch();
    layout->addWidget(m_resetLine);
    layout->addWidget(m_forecast);

    layout->addWidget(m_bar);

    auto* endsLayout = new QHBoxLayout(m_ends);
    endsLayout->setContentsMargins(0, 0, 0, 0);
    DashboardStyle::makeCaption(m_startLabel);
    DashboardStyle::makeCaption(m_endLabel);
    endsLayout->addWidget(m_startLabel);
    endsLayout->addStretch();
    endsLayout->addWidget(m_endLabel);
    layout->addWidget(m_ends);

    auto* notStartedLayout = new QHBoxLayout(m_notStarted);
    notStartedLayout->setContentsMargins(0, 0, 0, 0);
    notStartedLayout->setSpacing(8);
    notStartedLayout->addWidget(DashboardStyle::symbolLabel(QStringLiteral("clock"), 16, {}, m_notStarted));
    auto* notStartedText = new QLabel(
        localized("No active session yet — the window starts with your next request."), m_notStarted);
    notStartedText->setWordWrap(true);
    DashboardStyle::makeSecondary(notStartedText);
    notStartedLayout->addWidget(notStartedText, 1);
    layout->addWidget(m_notStarted);
}

QString CountdownTimeline::countdownText(const UsageWindowSample& window, Instant now)
{
    if (!window.resetAt)
        return localized("Unknown");
    if (!UsageWindowText::span(window))
        return localized("Not started");
    return RelativeTimeFormatter::countdown(window.resetAt->secondsSince(now));
}

QString CountdownTimeline::countdown() const
{
    return accessibleName();
}

void CountdownTimeline::setWindow(const UsageWindowSample& window, Instant now,
                                  const std::optional<UsageForecast>& forecast)
{
    const QString countdown = countdownText(window, now);
    m_countdown->setText(countdown);
    m_windowName->setText(
        localized("this %1 window").arg(UsageWindowText::displayName(window.windowKind).toLower()));
    m_resetLine->setAccessibleName(localized("Resets %1").arg(UsageWindowText::resetText(window, now)));
    m_resetLine->setToolTip(UsageWindowText::spanHelp(window, now));
    setAccessibleName(countdown);
    m_forecast->setForecast(forecast, now);

    const auto span = UsageWindowText::span(window);
    m_bar->setVisible(span.has_value());
    m_ends->setVisible(span.has_value());
    m_notStarted->setVisible(!span);
    if (!span)
        return;
    const double length = span->second.secondsSince(span->first);
    const auto along = [&](Instant time) {
        return length > 0 ? time.secondsSince(span->first) / length : 1.0;
    };
    m_bar->setElapsedFraction(along(now));
    std::optional<TimelineBar::Projection> projection;
    if (forecast && forecast->pace != UsagePace::tooEarly)
        projection = TimelineBar::Projection{forecast->runsOutAt.transform(along)};
    m_bar->setProjection(projection);
    m_bar->setAccessibleName(UsageWindowText::spanHelp(window, now));
    m_startLabel->setText(UsageWindowText::spanTime(span->first, now));
    m_endLabel->setText(UsageWindowText::spanTime(span->second, now));
}

} // namespace tallyvane
