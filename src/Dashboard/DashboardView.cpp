#include "DashboardView.h"

#include "AllWindowsTable.h"
#include "DashboardStyle.h"
#include "ProviderDashboardCard.h"
#include "TokenActivityChart.h"

#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/RefreshStateLabel.h>
#include <UsageViews/SurfaceCard.h>
#include <UsageViews/SymbolIcon.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>

namespace tallyvane {

namespace {

QToolButton* symbolButton(const QString& symbol, const QString& text, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(SymbolIcon::named(symbol));
    button->setIconSize(QSize(18, 18));
    button->setText(text);
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFixedSize(32, 32);
    return button;
}

} // namespace

DashboardView::DashboardView(const ViewServices& services, std::function<void()> openSettings,
                             QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_openSettings(std::move(openSettings))
    , m_cardsLayout(new QVBoxLayout)
    , m_chart(new TokenActivityChart(this))
    , m_table(new AllWindowsTable(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 28);
    layout->setSpacing(18);
    layout->addLayout(makeHeader());
    m_cardsLayout->setSpacing(16);
    layout->addLayout(m_cardsLayout);
    layout->addWidget(makeSection(localized("Token Activity"),
                                  localized("Daily totals reported by each available source"), m_chart));
    layout->addWidget(makeSection(localized("All Windows"),
                                  localized("Every cap each provider currently reports, newest observation"),
                                  m_table));
    layout->addStretch();

    UsageAppModel& model = m_services.model;
    connect(&model, &UsageAppModel::providersChanged, this, &DashboardView::showProviders);
    connect(&model, &UsageAppModel::historyPointsChanged, this,
            [this] { m_chart->setPoints(m_services.model.historyPoints()); });
    m_minute.setInterval(std::chrono::minutes(1));
    connect(&m_minute, &QTimer::timeout, this, &DashboardView::advanceClock);
    m_minute.start();

    showProviders();
    m_chart->setPoints(model.historyPoints());
}

QLayout* DashboardView::makeHeader()
{
    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = new QLabel(localized("Usage Overview"), this);
    DashboardStyle::makeTitle(title, 1.7);
    auto* subtitle = new QLabel(
        localized("Subscription allowance and local token activity, with source scope kept explicit."), this);
    subtitle->setWordWrap(true);
    DashboardStyle::makeSecondary(subtitle);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    header->addLayout(titles, 1);

    auto* state = new RefreshStateLabel(m_services, this);
    DashboardStyle::makeSecondary(state);
    header->addWidget(state, 0, Qt::AlignVCenter);
    header->addSpacing(4);

    QToolButton* refresh = symbolButton(QStringLiteral("arrow.clockwise"), localized("Refresh usage"), this);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    connect(refresh, &QToolButton::clicked, this,
            [this] { m_services.model.refresh(RefreshTrigger::manual); });
    header->addWidget(refresh, 0, Qt::AlignVCenter);

    QToolButton* settings = symbolButton(QStringLiteral("gearshape"), localized("Open settings"), this);
    settings->setObjectName(QStringLiteral("settingsButton"));
    connect(settings, &QToolButton::clicked, this, [this] {
        if (m_openSettings)
            m_openSettings();
    });
    header->addWidget(settings, 0, Qt::AlignVCenter);
    return header;
}

QWidget* DashboardView::makeSection(const QString& title, const QString& subtitle, QWidget* content)
{
    auto* card = new SurfaceCard(this);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(4);
    auto* heading = new QLabel(title, card);
    DashboardStyle::makeTitle(heading, 1.2);
    auto* caption = new QLabel(subtitle, card);
    caption->setWordWrap(true);
    DashboardStyle::makeSecondary(caption);
    layout->addWidget(heading);
    layout->addWidget(caption);
    layout->addSpacing(10);
    content->setParent(card);
    layout->addWidget(content);
    return card;
}

void DashboardView::showProviders()
{
    const QList<ProviderViewState>& providers = m_services.model.providers();
    const Instant now = m_services.now();

    // Cards are kept while the same services are shown, so rings and meters move from their
    // old values instead of starting over.
    bool sameServices = m_cards.size() == providers.size();
    for (qsizetype index = 0; sameServices && index < providers.size(); ++index)
        sameServices = m_cards[index]->service() == providers[index].service;
    if (!sameServices) {
        // Later, not now: the change may have been published from inside a card's own button.
        for (ProviderDashboardCard* card : std::as_const(m_cards)) {
            card->hide();
            card->deleteLater();
        }
        m_cards.clear();
        for (const ProviderViewState& state : providers) {
            auto* card = new ProviderDashboardCard(m_services, state.service, this);
            m_cardsLayout->addWidget(card);
            m_cards.append(card);
        }
    }
    for (qsizetype index = 0; index < providers.size(); ++index)
        m_cards[index]->setState(providers[index], now);
    m_table->setProviders(providers, now);
}

void DashboardView::advanceClock()
{
    const Instant now = m_services.now();
    for (ProviderDashboardCard* card : m_cards)
        card->setNow(now);
    m_table->setNow(now);
}

} // namespace tallyvane
