#include "PrivacyContent.h"

#include "SettingsRowText.h"
#include <UsageViews/SymbolIcon.h>

#include <UsageDomain/Localizable.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

PrivacyContent::PrivacyContent(QWidget* parent)
    : QWidget(parent)
{
    const std::pair<QString, QString> statements[] = {
        {localized("Usage exists in memory for this launch only."), u"memorychip"_s},
        {localized("Authentication stays in the provider or keyring."), u"checkmark.shield"_s},
        {localized("Conversation content is never read."), u"text.badge.xmark"_s},
        {localized(
             "Codex uses its account app-server. Claude uses direct OAuth and its personal usage endpoint."),
         u"info.circle"_s},
    };
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto& [text, symbol] : statements) {
        auto* icon = new QLabel(this);
        SymbolIcon::showIn(icon, symbol, 14);
        icon->setFixedWidth(18);
        QLabel* label = SettingsRowText::title(text, this);
        label->setWordWrap(true);
        auto* row = new QHBoxLayout;
        row->addWidget(icon, 0, Qt::AlignTop);
        row->addWidget(label, 1);
        layout->addLayout(row);
    }
}

} // namespace tallyvane
