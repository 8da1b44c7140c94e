#include "OnboardingWelcomeStep.h"

#include "FeatureTile.h"
#include "OnboardingText.h"

#include <UsageDomain/Localizable.h>
#include <UsageViews/IconView.h>

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

OnboardingWelcomeStep::OnboardingWelcomeStep(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 36, 40, 28);
    column->setSpacing(14);

    column->addStretch(1);
    column->addWidget(new IconView(QIcon(u":/tallyvane/app.tallyvane.Tallyvane.svg"_s), 72, this), 0,
                      Qt::AlignHCenter);
    column->addWidget(OnboardingText::title(localized("Your AI limits, at a glance"), this));
    column->addWidget(OnboardingText::secondary(
        localized(
            "Tallyvane reads the current limits reported by your\nCodex and Claude accounts and keeps them "
            "in memory only."),
        this, 1.1));
    column->addSpacing(10);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(12);
    tiles->addWidget(new FeatureTile(u"bolt"_s, localized("Live limits"), this));
    tiles->addWidget(new FeatureTile(u"clock"_s, localized("Reset times"), this));
    tiles->addWidget(new FeatureTile(u"internaldrive.badge.xmark"_s, localized("No usage cache"), this));
    column->addLayout(tiles);
    column->addStretch(2);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    auto* proceed = new QPushButton(localized("Continue"), this);
    proceed->setDefault(true);
    proceed->setMinimumWidth(220);
    auto* later = new QPushButton(localized("Not now"), this);
    later->setFlat(true);
    buttons->addWidget(proceed, 0, Qt::AlignHCenter);
    buttons->addWidget(later, 0, Qt::AlignHCenter);
    column->addLayout(buttons);

    connect(proceed, &QPushButton::clicked, this, &OnboardingWelcomeStep::continueRequested);
    connect(later, &QPushButton::clicked, this, &OnboardingWelcomeStep::dismissRequested);
}

} // namespace tallyvane
