#include "DiagnosticsContent.h"

#include "AvailabilityLabel.h"
#include "DiagnosticRow.h"
#include "SettingsRowText.h"

#include <TallyvaneUI/DiagnosticsReport.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallyvane {

namespace {

QWidget* providerHeader(const ProviderViewState& state, QWidget* parent)
{
    auto* header = new QWidget(parent);
    QLabel* name = SettingsRowText::title(displayName(state.service), header);
    QFont bold = name->font();
    bold.setWeight(QFont::DemiBold);
    name->setFont(bold);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name);
    layout->addStretch(1);
    layout->addWidget(SettingsRowText::detail(availabilityLabel(state.availability), header));
    return header;
}

void clear(QVBoxLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace

DiagnosticsContent::DiagnosticsContent(const ViewServices& services, SaveFileChooser chooseFile,
                                       QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_chooseFile(std::move(chooseFile))
    , m_providers(new QWidget(this))
    , m_providerRows(new QVBoxLayout(m_providers))
    , m_exportButton(new QPushButton(localized("Export Diagnostics…"), this))
    , m_status(SettingsRowText::detail({}, this))
{
    m_providerRows->setContentsMargins(0, 0, 0, 0);
    m_providerRows->setSpacing(6);
    m_status->setObjectName(QStringLiteral("exportStatus"));
    m_status->hide();

    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(m_exportButton);
    exportRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_providers);
    layout->addWidget(
        SettingsRowText::detail(localized("Messages are sanitized; raw payloads, paths, prompts and account "
                                          "identifiers are never recorded."),
                                this));
    layout->addLayout(exportRow);
    layout->addWidget(SettingsRowText::detail(
        localized("Save a sanitized report with app, system and provider compatibility information."), this));
    layout->addWidget(m_status);

    connect(m_exportButton, &QPushButton::clicked, this, &DiagnosticsContent::exportReport);
    connect(&services.model, &UsageAppModel::providersChanged, this, &DiagnosticsContent::showProviders);
    connect(&services.model, &UsageAppModel::lastUpdatedAtChanged, this, &DiagnosticsContent::showProviders);
    showProviders();
}

QString DiagnosticsContent::exportStatus() const
{
    return m_status->text();
}

void DiagnosticsContent::showProviders()
{
    clear(m_providerRows);
    const UsageAppModel& model = m_services.model;
    if (!model.lastUpdatedAt()) {
        m_providerRows->addWidget(
            SettingsRowText::detail(localized("Diagnostics appear after the first refresh."), m_providers));
        return;
    }
    for (const ProviderViewState& state : model.providers()) {
        if (m_providerRows->count() > 0)
            m_providerRows->addSpacing(6);
        m_providerRows->addWidget(providerHeader(state, m_providers));
        if (state.diagnostics.isEmpty())
            m_providerRows->addWidget(SettingsRowText::detail(localized("No issues reported."), m_providers));
        for (const ProviderDiagnostic& diagnostic : state.diagnostics)
            m_providerRows->addWidget(new DiagnosticRow(diagnostic, m_providers));
    }
}

void DiagnosticsContent::exportReport()
{
    const QString path = m_chooseFile(window(), QString::fromUtf16(suggestedFileName));
    if (path.isEmpty())
        return;
    const bool exported = DiagnosticsReport::exportTo(m_services.model.diagnosticsReport(), path).has_value();
    m_status->setText(exported ? localized("Diagnostics exported.")
                               : localized("Diagnostics could not be exported."));
    m_status->show();
}

} // namespace tallyvane
