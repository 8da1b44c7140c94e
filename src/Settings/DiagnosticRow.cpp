#include "DiagnosticRow.h"

#include "SettingsRowText.h"
#include <UsageViews/SymbolIcon.h>

#include <UsageViews/Appearance.h>
#include <UsageViews/UsageColors.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QColor tint(DiagnosticSeverity severity, const QPalette& palette)
{
    const bool dark = Appearance::isDark(palette);
    switch (severity) {
    case DiagnosticSeverity::error:
        return UsageColors::critical(dark);
    case DiagnosticSeverity::warning:
        return UsageColors::warning(dark);
    case DiagnosticSeverity::info:
        break;
    }
    return UsageColors::secondaryAccent(dark);
}

} // namespace

DiagnosticRow::DiagnosticRow(const ProviderDiagnostic& diagnostic, QWidget* parent)
    : QWidget(parent)
{
    auto* icon = new QLabel(this);
    SymbolIcon::showIn(
        icon, symbol(diagnostic.severity), 14,
        [severity = diagnostic.severity](const QPalette& palette) { return tint(severity, palette); });
    icon->setFixedWidth(18);
    icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    QLabel* message = SettingsRowText::title(diagnostic.message, this);
    message->setWordWrap(true);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(message);
    texts->addWidget(SettingsRowText::detail(diagnostic.code, this));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    setAccessibleName(diagnostic.message);
    setAccessibleDescription(diagnostic.code);
}

QString DiagnosticRow::symbol(DiagnosticSeverity severity)
{
    switch (severity) {
    case DiagnosticSeverity::error:
        return u"exclamationmark.octagon.fill"_s;
    case DiagnosticSeverity::warning:
        return u"exclamationmark.triangle.fill"_s;
    case DiagnosticSeverity::info:
        break;
    }
    return u"info.circle"_s;
}

} // namespace tallyvane
