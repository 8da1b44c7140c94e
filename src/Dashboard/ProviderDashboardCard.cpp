#include "ProviderDashboardCard.h"

#include "CountdownTimeline.h"
#include "DashboardStyle.h"
#include "MetricTile.h"
#include "WindowRow.h"

#include <TallyvaneUI/ProviderStateAssembler.h>
#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsageWindowSelection.h>
#include <UsageViews/ProviderConnectionBadge.h>
#include <UsageViews/ProviderConnectionButton.h>
#include <UsageViews/ProviderMark.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/UsageRing.h>
#include <UsageViews/UsageWindowText.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace tallyvane {

namespace {

bool isBackoffNotice(const ProviderDiagnostic& diagnostic)
{
    return diagnostic.code.endsWith(QStringLiteral(".refresh_backoff"));
}

bool isSignInNotice(const ProviderDiagnostic& diagnostic)
{
    return diagnostic.code.endsWith(QStringLiteral(".authentication_required"));
}

const ProviderDiagnostic* firstWhere(const QList<ProviderDiagnostic>& diagnostics,
                                     bool (*predicate)(const ProviderDiagnostic&))
{
    const auto found = std::find_if(diagnostics.begin(), diagnostics.end(), predicate);
    return found == diagnostics.end() ? nullptr : &*found;
}

// A hairline in a faint tone of the text colour, so it suits light and dark palettes alike.
QWidget* separator(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    QColor tone = palette.color(QPalette::WindowText);
    tone.setAlphaF(0.12f);
    palette.setColor(QPalette::Window, tone);
    line->setPalette(palette);
    line->setAutoFillBackground(true);
    return line;
}

} // namespace

ProviderDashboardCard::ProviderDashboardCard(const ViewServices& services, ProviderService service,
                                             QWidget* parent)
    : SurfaceCard(parent)
    , m_services(services)
    , m_service(service)
    , m_name(new QLabel(displayName(service), this))
{
    setObjectName(QStringLiteral("providerCard.") + caseName(service));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(new ProviderMark(service, 26, this));
    DashboardStyle::makeTitle(m_name, 1.25);
    header->addWidget(m_name);
    header->addStretch();
    header->addWidget(new ProviderConnectionBadge(services.model, service, this));
    layout->addLayout(header);

    m_usagePanel = makeUsagePanel();
    m_noticePanel = makeNoticePanel();
    layout->addWidget(m_usagePanel);
    layout->addWidget(m_noticePanel);
    m_usagePanel->hide();
}

QWidget* ProviderDashboardCard::makeUsagePanel()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* main = new QHBoxLayout;
    main->setSpacing(20);
    m_ring = new UsageRing(m_service, panel);
    m_ring->setFixedSize(116, 116);
    main->addWidget(m_ring, 0, Qt::AlignTop);

    auto* figures = new QVBoxLayout;
    figures->setSpacing(12);
    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(10);
    m_remaining = new MetricTile(localized("Remaining"), panel);
    m_window = new MetricTile(localized("Window"), panel);
    m_resets = new MetricTile(localized("Resets"), panel);
    for (MetricTile* tile : {m_remaining, m_window, m_resets})
        tiles->addWidget(tile, 1);
    figures->addLayout(tiles);
    m_timeline = new CountdownTimeline(m_service, panel);
    figures->addWidget(m_timeline);
    main->addLayout(figures, 1);
    layout->addLayout(main);

    m_problems = new QLabel(panel);
    m_problems->setWordWrap(true);
    DashboardStyle::makeSecondary(m_problems);
    layout->addWidget(m_problems);

    m_rowsSeparator = separator(panel);
    layout->addWidget(m_rowsSeparator);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(6);
    layout->addLayout(m_rowsLayout);
    return panel;
}

QWidget* ProviderDashboardCard::makeNoticePanel()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(6);
    m_noticeSymbol = new QLabel(panel);
    m_noticeTitle = new QLabel(panel);
    m_noticeMessage = new QLabel(panel);
    DashboardStyle::makeTitle(m_noticeTitle, 1.05);
    DashboardStyle::makeSecondary(m_noticeMessage);
    for (QLabel* label : {m_noticeTitle, m_noticeMessage}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
    }
    m_connectionButton = new ProviderConnectionButton(m_services, m_service, false, panel);
    layout->addWidget(m_noticeSymbol, 0, Qt::AlignHCenter);
    layout->addWidget(m_noticeTitle);
    layout->addWidget(m_noticeMessage);
    layout->addSpacing(4);
    layout->addWidget(m_connectionButton, 0, Qt::AlignHCenter);
    return panel;
}

ProviderDashboardCard::Content ProviderDashboardCard::contentFor(const ProviderViewState& state)
{
    if (!state.windows.isEmpty())
        return Content::usage;
    switch (state.availability) {
    case ProviderAvailability::authenticationRequired:
    case ProviderAvailability::notInstalled:
    case ProviderAvailability::unsupportedVersion:
        return Content::signIn;
    default:
        break;
    }
    if (firstWhere(state.diagnostics, isBackoffNotice))
        return Content::backoff;
    return Content::unavailable;
}

void ProviderDashboardCard::setState(const ProviderViewState& state, Instant now)
{
    m_state = state;
    m_content = contentFor(state);
    if (!state.descriptor.displayName.isEmpty())
        m_name->setText(state.descriptor.displayName);
    m_usagePanel->setVisible(m_content == Content::usage);
    m_noticePanel->setVisible(m_content != Content::usage);
    m_connectionButton->setVisible(m_content == Content::signIn);

    switch (m_content) {
    case Content::usage:
        showUsage(now);
        break;
    case Content::signIn: {
        // The notice carries the connection's own sentence when there is one (for example
        // that the tool is missing); it replaces the general request only when it says more.
        const ProviderDiagnostic* notice = firstWhere(state.diagnostics, isSignInNotice);
        const QString general = localized("Sign in to access this account's usage.");
        const QString detail = notice && notice->message != general ? notice->message : QString();
        showNotice(QStringLiteral("person.crop.circle.badge.exclamationmark"), general, detail);
        break;
    }
    case Content::backoff:
        showNotice(QStringLiteral("exclamationmark.triangle"), localized("Usage Unavailable"),
                   firstWhere(state.diagnostics, isBackoffNotice)->message);
        break;
    case Content::unavailable:
        showNotice(QStringLiteral("exclamationmark.triangle"), localized("Usage Unavailable"),
                   localized("Refresh or check provider setup."));
        break;
    }
}

void ProviderDashboardCard::setNow(Instant now)
{
    if (m_content == Content::usage)
        showUsage(now);
}

void ProviderDashboardCard::showNotice(const QString& symbol, const QString& title, const QString& message)
{
    SymbolIcon::showIn(m_noticeSymbol, symbol, 34, &DashboardStyle::secondaryText);
    m_noticeTitle->setText(title);
    m_noticeMessage->setText(message);
    m_noticeMessage->setVisible(!message.isEmpty());
    m_noticePanel->setAccessibleName(message.isEmpty() ? title : title + u' ' + message);
}

void ProviderDashboardCard::showUsage(Instant now)
{
    const UsageWindowSample primary = *UsageWindowSelection::primary(m_state.windows);
    const std::optional<double> used = UsageWindowText::usedFraction(primary);
    const QString name = UsageWindowText::displayName(primary.windowKind);
    m_ring->setUsedFraction(used);
    m_ring->setCaption(name);

    const std::optional<double> remaining = WindowRow::remainingFraction(primary);
    m_remaining->setValue(remaining ? UsageWindowText::percentText(remaining) : localized("Unavailable"));
    m_window->setValue(WindowRow::windowName(primary),
                       primary.durationSeconds
                           ? RelativeTimeFormatter::countdown(static_cast<double>(*primary.durationSeconds))
                           : QString());
    m_resets->setValue(UsageWindowText::resetText(primary, now),
                       primary.resetAt ? UsageWindowText::spanTime(*primary.resetAt, now) : QString());
    m_timeline->setWindow(primary, now, m_state.forecast(primary));

    // A refresh that failed but still delivered windows says so next to them.
    QStringList problems;
    for (const ProviderDiagnostic& diagnostic : m_state.diagnostics) {
        if (diagnostic.severity == DiagnosticSeverity::error)
            problems.append(diagnostic.message);
    }
    m_problems->setText(problems.join(u'\n'));
    m_problems->setVisible(!problems.isEmpty());

    const QList<UsageWindowSample> further = ProviderStateAssembler::secondaryWindows(m_state);
    while (m_rows.size() > further.size())
        delete m_rows.takeLast();
    while (m_rows.size() < further.size()) {
        auto* row = new WindowRow(m_service, m_usagePanel);
        m_rowsLayout->addWidget(row);
        m_rows.append(row);
    }
    for (qsizetype index = 0; index < further.size(); ++index)
        m_rows[index]->setWindow(further[index], now, m_state.forecast(further[index]));
    m_rowsSeparator->setVisible(!further.isEmpty());
}

} // namespace tallyvane
