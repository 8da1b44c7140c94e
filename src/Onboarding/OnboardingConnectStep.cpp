#include "OnboardingConnectStep.h"

#include "OnboardingText.h"

#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/IconView.h>
#include <UsageViews/ProviderConnectionRow.h>
#include <UsageViews/SurfaceCard.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/UsageColors.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

OnboardingConnectStep::OnboardingConnectStep(const ViewServices& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 36, 40, 24);
    column->setSpacing(12);
    column->addStretch(1);
    column->addWidget(OnboardingText::title(localized("Connect your accounts"), this));
    column->addWidget(
        OnboardingText::secondary(localized("Each service opens its own official sign-in flow."), this));
    column->addSpacing(8);

    auto* card = new SurfaceCard(this);
    auto* rows = new QVBoxLayout(card);
    rows->setSpacing(6);
    rows->addWidget(new ProviderConnectionRow(
        services, ProviderService::codex,
        localized("Uses Codex's managed ChatGPT session and account app-server."), card));
    auto* divider = new QFrame(card);
    divider->setFrameShape(QFrame::HLine);
    divider->setForegroundRole(QPalette::Midlight);
    rows->addWidget(divider);
    rows->addWidget(new ProviderConnectionRow(
        services, ProviderService::claude,
        localized("Uses browser OAuth; the resulting token stays in the system keyring."), card));
    column->addWidget(card);

    m_progress = new QLabel(this);
    m_progress->setAlignment(Qt::AlignHCenter);
    QFont heavier = m_progress->font();
    heavier.setWeight(QFont::DemiBold);
    m_progress->setFont(heavier);
    column->addWidget(m_progress);

    auto* note = new QHBoxLayout;
    note->setSpacing(8);
    auto* shield = new IconView(SymbolIcon::inked(u"checkmark.shield"_s, &UsageColors::accentOn), 18, this);
    auto* noteText = OnboardingText::secondary(
        localized(
            "Usage responses are never written to disk. You can connect or disconnect later in Settings."),
        this, 0.9);
    noteText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    note->addStretch(1);
    note->addWidget(shield, 0, Qt::AlignTop);
    note->addWidget(noteText, 4);
    note->addStretch(1);
    column->addLayout(note);
    column->addStretch(2);

    auto* footer = new QHBoxLayout;
    auto* back = new QPushButton(SymbolIcon::named(u"chevron.left"_s), localized("Back"), this);
    back->setFlat(true);
    auto* position = OnboardingText::secondary(localized("2 of 2"), this, 0.9);
    position->setWordWrap(false);
    position->setAlignment(Qt::AlignCenter);
    auto* finish = new QPushButton(localized("Finish"), this);
    finish->setDefault(true);
    footer->addWidget(back);
    footer->addStretch(1);
    footer->addWidget(position);
    footer->addStretch(1);
    footer->addWidget(finish);
    column->addLayout(footer);

    connect(back, &QPushButton::clicked, this, &OnboardingConnectStep::backRequested);
    connect(finish, &QPushButton::clicked, this, &OnboardingConnectStep::finishRequested);
    connect(&services.model, &UsageAppModel::connectionStatesChanged, this,
            &OnboardingConnectStep::refreshProgress);
    refreshProgress();
}

QString OnboardingConnectStep::progressText(int connected)
{
    if (connected >= 2)
        return localized("Both accounts connected");
    if (connected == 1)
        return localized("1 account connected");
    return localized("You can finish without connecting");
}

QString OnboardingConnectStep::progress() const
{
    return m_progress->text();
}

void OnboardingConnectStep::refreshProgress()
{
    int connected = 0;
    for (ProviderService service : allCases<ProviderService>())
        connected += isAuthenticated(m_services.model.connectionState(service).status) ? 1 : 0;
    m_progress->setText(progressText(connected));
}

} // namespace tallyvane
