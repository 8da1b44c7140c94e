#include "CompactProviderCard.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsageWindowSelection.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/ProviderConnectionBadge.h>
#include <UsageViews/ProviderConnectionButton.h>
#include <UsageViews/ProviderMark.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/UsageColors.h>
#include <UsageViews/UsageForecastLabel.h>
#include <UsageViews/UsageMeter.h>
#include <UsageViews/UsageWindowText.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {
namespace {

constexpr int markSize = 20;
constexpr int symbolSize = 18;

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* figure(qreal scale, QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

QLabel* symbol(const QString& name, const SymbolIcon::Ink& ink, QWidget* parent)
{
    auto* label = new QLabel(parent);
    SymbolIcon::showIn(label, name, symbolSize, ink);
    label->setFixedSize(symbolSize, symbolSize);
    return label;
}

QColor warningInk(const QPalette& palette)
{
    return UsageColors::warning(Appearance::isDark(palette));
}

// A caption over its value, the small columns under the meter.
QWidget* column(const QString& title, QLabel* value, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(caption(title, widget));
    layout->addWidget(value);
    return widget;
}

bool needsSignIn(ProviderAvailability availability)
{
    return availability == ProviderAvailability::authenticationRequired ||
           availability == ProviderAvailability::notInstalled ||
           availability == ProviderAvailability::unsupportedVersion;
}

} // namespace

CompactProviderCard::CompactProviderCard(const ViewServices& services, ProviderService service,
                                         QWidget* parent)
    : SurfaceCard(parent)
    , m_services(services)
    , m_service(service)
{
    // QFrame resets a widget's own margins whenever its style changes, so the padding lives in
    // the layout.
    setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new ProviderMark(service, markSize, this));
    auto* name = new QLabel(displayName(service), this);
    QFont nameFont = name->font();
    nameFont.setWeight(QFont::DemiBold);
    name->setFont(nameFont);
    header->addWidget(name);
    header->addStretch();
    header->addWidget(new ProviderConnectionBadge(m_services.model, service, this));
    layout->addLayout(header);

    m_usagePage = makeUsagePage();
    m_unavailablePage =
        makeMessagePage(u"exclamationmark.triangle"_s, warningInk, m_unavailableText, nullptr);
    m_unavailableText->setText(localized("Usage is not available yet."));
    m_signInPage = makeMessagePage(u"person.crop.circle.badge.exclamationmark"_s, {}, m_signInText,
                                   new ProviderConnectionButton(m_services, service, true));
    for (QWidget* page : {m_usagePage, m_unavailablePage, m_signInPage})
        layout->addWidget(page);

    QObject::connect(&services.preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == PreferenceKey::windowKind)
            refresh();
    });
    m_minuteTick.setInterval(std::chrono::minutes(1));
    QObject::connect(&m_minuteTick, &QTimer::timeout, this, &CompactProviderCard::refreshCountdown);
    m_minuteTick.start();
    refresh();
}

QWidget* CompactProviderCard::makeUsagePage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* share = new QHBoxLayout;
    share->setSpacing(12);
    m_usedPercent = figure(1.9, page);
    m_usedPercent->setMinimumWidth(m_usedPercent->fontMetrics().horizontalAdvance(u"100%"_s));
    share->addWidget(m_usedPercent);
    m_meter = new UsageMeter(m_service, page);
    m_meter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    share->addWidget(m_meter, 1, Qt::AlignVCenter);
    layout->addLayout(share);
    m_forecast = new UsageForecastLabel(page);
    layout->addWidget(m_forecast);

    auto* details = new QHBoxLayout;
    details->setSpacing(16);
    m_remaining = figure(1.0, page);
    m_windowName = figure(1.0, page);
    details->addWidget(column(localized("Remaining"), m_remaining, page));
    details->addWidget(column(localized("Window"), m_windowName, page));
    details->addStretch();
    auto* reset = new QHBoxLayout;
    reset->setSpacing(5);
    reset->addWidget(symbol(u"clock.arrow.circlepath"_s, {}, page));
    m_countdown = figure(1.0, page);
    reset->addWidget(m_countdown);
    details->addLayout(reset);
    layout->addLayout(details);
    return page;
}

QWidget* CompactProviderCard::makeMessagePage(const QString& symbolName, const SymbolIcon::Ink& ink,
                                              QLabel*& text, QWidget* extra)
{
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(symbol(symbolName, ink, page), 0, Qt::AlignVCenter);
    text = new QLabel(page);
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    if (extra) {
        extra->setParent(page);
        layout->addWidget(extra, 0, Qt::AlignVCenter);
    }
    return page;
}

void CompactProviderCard::setState(const ProviderViewState& state)
{
    m_state = state;
    refresh();
}

void CompactProviderCard::refresh()
{
    m_window.reset();
    if (m_state) {
        m_window = UsageWindowSelection::chosen(
            m_state->windows, MenuBarSettings::read(m_services.preferences).selectedWindowKind);
    }
    if (m_window) {
        const std::optional<double> used = UsageWindowText::usedFraction(*m_window);
        m_usedPercent->setText(UsageWindowText::percentText(used));
        m_meter->setUsedFraction(used);
        m_remaining->setText(UsageWindowText::remainingPercentText(*m_window));
        m_windowName->setText(UsageWindowText::displayName(m_window->windowKind));
        showPage(m_usagePage);
    } else if (m_state && needsSignIn(m_state->availability)) {
        const auto notice =
            std::ranges::find_if(m_state->diagnostics, [](const ProviderDiagnostic& diagnostic) {
                return diagnostic.code.endsWith(".authentication_required"_L1);
            });
        m_signInText->setText(notice != m_state->diagnostics.end()
                                  ? notice->message
                                  : localized("Sign in to access this account's usage."));
        showPage(m_signInPage);
    } else {
        showPage(m_unavailablePage);
    }
    refreshCountdown();
}

void CompactProviderCard::showPage(QWidget* page)
{
    // Hidden pages take no room, so a one-line message does not inherit the usage page's height.
    for (QWidget* candidate : {m_usagePage, m_unavailablePage, m_signInPage})
        candidate->setVisible(candidate == page);
}

void CompactProviderCard::refreshCountdown()
{
    if (!m_window) {
        setToolTip({});
        return;
    }
    const Instant now = m_services.now();
    m_countdown->setText(m_window->resetAt
                             ? RelativeTimeFormatter::countdown(m_window->resetAt->secondsSince(now))
                             : UsageWindowText::resetText(*m_window, now));
    m_forecast->setForecast(m_state->forecast(*m_window), now);
    setToolTip(UsageWindowText::spanHelp(*m_window, now));
}

} // namespace tallyvane
