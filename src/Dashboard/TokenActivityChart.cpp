#include "TokenActivityChart.h"

#include "DashboardStyle.h"

#include <UsageDomain/Localizable.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/ProviderPalette.h>

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tallyvane {

namespace {

// A round upper bound with four even steps, so the token axis reads in whole numbers.
double niceMaximum(double largest)
{
    if (largest <= 0)
        return 4;
    const double magnitude = std::pow(10.0, std::floor(std::log10(largest / 4)));
    for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (step * magnitude * 4 >= largest)
            return step * magnitude * 4;
    }
    return largest;
}

} // namespace

TokenActivityChart::TokenActivityChart(QWidget* parent)
    : QWidget(parent)
    , m_stack(new QStackedLayout(this))
    , m_view(new QChartView(this))
    , m_chartPage(new QWidget(this))
    , m_emptyPage(makeEmptyState())
{
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setStyleSheet(QStringLiteral("background: transparent"));
    m_view->setMinimumHeight(260);
    m_view->setAccessibleName(localized("Token Activity"));

    auto* chartLayout = new QVBoxLayout(m_chartPage);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->setSpacing(6);
    chartLayout->addWidget(m_view, 1);
    auto* note =
        new QLabel(localized("Codex history is account-scoped when supplied by app-server. Claude aggregate "
                             "history is device-scoped and is not a subscription percentage."),
                   m_chartPage);
    note->setWordWrap(true);
    DashboardStyle::makeCaption(note);
    chartLayout->addWidget(note);

    m_stack->addWidget(m_chartPage);
    m_stack->addWidget(m_emptyPage);
    rebuild();
}

QWidget* TokenActivityChart::makeEmptyState()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 28, 16, 28);
    layout->setSpacing(6);
    auto* symbol = DashboardStyle::symbolLabel(QStringLiteral("chart.xyaxis.line"), 32, {}, page);
    auto* title = new QLabel(localized("No History Yet"), page);
    auto* message =
        new QLabel(localized("History appears after a provider exposes aggregate token data."), page);
    DashboardStyle::makeTitle(title, 1.15);
    DashboardStyle::makeSecondary(message);
    message->setWordWrap(true);
    title->setAlignment(Qt::AlignCenter);
    message->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addStretch();
    page->setMinimumHeight(200);
    return page;
}

void TokenActivityChart::setPoints(const QList<HistoryPoint>& points)
{
    if (points == m_points)
        return;
    m_points = points;
    rebuild();
}

bool TokenActivityChart::isShowingChart() const
{
    return m_stack->currentWidget() == m_chartPage;
}

QChart* TokenActivityChart::chart() const
{
    return m_view->chart();
}

void TokenActivityChart::rebuild()
{
    if (m_points.isEmpty()) {
        m_stack->setCurrentWidget(m_emptyPage);
        return;
    }
    // A fresh chart per change: Qt Charts keeps stale axis ranges when series are swapped.
    auto* chart = new QChart;
    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Token counts run to hundreds of thousands: group their digits as the locale does.
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeCircle);

    const bool dark = Appearance::isDark(palette());
    double largest = 0;
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    for (ProviderService service : allCases<ProviderService>()) {
        auto* series = new QLineSeries(chart);
        series->setName(displayName(service));
        for (const HistoryPoint& point : m_points) {
            if (point.service != service)
                continue;
            const auto milliseconds = static_cast<qint64>(point.date.secondsSince1970() * 1000);
            series->append(static_cast<qreal>(milliseconds), static_cast<qreal>(point.tokens));
            largest = std::max(largest, static_cast<double>(point.tokens));
            first = std::min(first, milliseconds);
            last = std::max(last, milliseconds);
        }
        if (series->count() == 0) {
            delete series;
            continue;
        }
        QPen pen(ProviderPalette::forService(service, dark).base, 2.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        series->setPen(pen);
        series->setPointsVisible(true);
        chart->addSeries(series);
    }

    // Days are labelled where their points sit, and the range runs half a day past both
    // ends so the outermost points are not cut in half by the plot edge.
    constexpr qint64 day = 86'400'000;
    auto* dates = new QCategoryAxis(chart);
    dates->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    dates->setRange(static_cast<qreal>(first - day / 2), static_cast<qreal>(last + day / 2));
    QList<qint64> days;
    for (const HistoryPoint& point : m_points) {
        const auto milliseconds = static_cast<qint64>(point.date.secondsSince1970() * 1000);
        if (!days.contains(milliseconds))
            days.append(milliseconds);
    }
    std::sort(days.begin(), days.end());
    const qsizetype every = days.size() / 8 + 1;
    const QLocale locale;
    for (qsizetype index = 0; index < days.size(); index += every) {
        const QDate date = QDateTime::fromMSecsSinceEpoch(days[index]).date();
        dates->append(locale.toString(date, QStringLiteral("d MMM")), static_cast<qreal>(days[index]));
    }
    chart->addAxis(dates, Qt::AlignBottom);

    auto* tokens = new QValueAxis(chart);
    tokens->setTitleText(localized("Tokens"));
    tokens->setRange(0, niceMaximum(largest));
    tokens->setTickCount(5);
    tokens->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(tokens, Qt::AlignLeft);

    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(dates);
        series->attachAxis(tokens);
    }

    QChart* previous = m_view->chart();
    m_view->setChart(chart);
    delete previous;
    applyPalette();
    m_stack->setCurrentWidget(m_chartPage);
}

void TokenActivityChart::applyPalette()
{
    QChart* chart = m_view->chart();
    const QColor text = palette().color(QPalette::WindowText);
    const QColor secondary = DashboardStyle::secondaryText(palette());
    QColor grid = text;
    grid.setAlphaF(Appearance::isDark(palette()) ? 0.14f : 0.10f);
    chart->legend()->setLabelColor(text);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(secondary);
        axis->setTitleBrush(secondary);
        axis->setGridLineColor(grid);
        axis->setLinePenColor(grid);
        axis->setShadesVisible(false);
    }
}

void TokenActivityChart::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_points.isEmpty())
        rebuild();
}

} // namespace tallyvane
