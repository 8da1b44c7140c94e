#include "ProvidersSettingsView.h"

#include "PreferenceBinding.h"
#include "SettingsPanel.h"
#include "SettingsRowText.h"
#include "SettingsToggleRow.h"

#include <TallyvaneUI/Preferences.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/ProviderConnectionRow.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {
const QString usualOrder = u"codex,claude"_s;
const QString reversedOrder = u"claude,codex"_s;
} // namespace

ProvidersSettingsView::ProvidersSettingsView(const ViewServices& services, QWidget* parent)
    : SettingsPage(localized("Accounts"),
                   localized("Connect the services whose live limits you want to see."), parent)
    , m_services(services)
    , m_order(SettingsRowText::detail({}, this))
    , m_reverse(new QPushButton(localized("Reverse"), this))
{
    SettingsPanel* connections = addSection(localized("Connections"));
    for (const ProviderService service : allCases<ProviderService>()) {
        connections->addRow(new ProviderConnectionRow(services, service,
                                                      localized("Use the provider's official sign-in flow")));
    }
    addNote(
        localized("Credentials stay in each service or the system keyring. Usage values are never cached."));

    Preferences& preferences = services.preferences;
    SettingsPanel* menuBar = addSection(localized("Menu bar"));
    for (const ProviderService service : allCases<ProviderService>()) {
        auto* row = new SettingsToggleRow(localized("Show %1").arg(displayName(service)));
        PreferenceBinding::toggle(
            row, preferences, PreferenceKey::showService(service),
            [&preferences, service] { return preferences.showService(service); },
            [&preferences, service](bool on) { return preferences.setShowService(service, on); });
        menuBar->addRow(row);
    }

    auto* orderRow = new QWidget;
    auto* orderLayout = new QHBoxLayout(orderRow);
    orderLayout->setContentsMargins(0, 0, 0, 0);
    orderLayout->addWidget(SettingsRowText::title(localized("Provider order"), orderRow));
    orderLayout->addStretch(1);
    orderLayout->addWidget(m_order);
    orderLayout->addWidget(m_reverse);
    m_reverse->setFlat(true);
    m_reverse->setStyleSheet(u"QPushButton { color: palette(link); border: none; padding: 2px 6px; }"_s);
    m_reverse->setCursor(Qt::PointingHandCursor);
    menuBar->addRow(orderRow);

    PreferenceBinding::follow(preferences, QString(PreferenceKey::providerOrder), this, [this] {
        m_order->setText(orderText());
        m_reverse->setAccessibleDescription(orderText());
    });
    connect(m_reverse, &QPushButton::clicked, this, &ProvidersSettingsView::reverseOrder);
}

QString ProvidersSettingsView::orderText() const
{
    return m_services.preferences.providerOrderText() == usualOrder ? localized("Codex, then Claude")
                                                                    : localized("Claude, then Codex");
}

void ProvidersSettingsView::reverseOrder()
{
    Preferences& preferences = m_services.preferences;
    preferences.setValue(PreferenceKey::providerOrder,
                         preferences.providerOrderText() == usualOrder ? reversedOrder : usualOrder);
}

} // namespace tallyvane
