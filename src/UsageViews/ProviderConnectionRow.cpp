#include "ProviderConnectionRow.h"

#include "Appearance.h"
#include "ProviderConnectionBadge.h"
#include "ProviderConnectionButton.h"
#include "ProviderMark.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tallyvane {

ProviderConnectionRow::ProviderConnectionRow(const ViewServices& services, ProviderService service,
                                             const QString& description, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(12);
    row->addWidget(new ProviderMark(service, 28, this), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new QLabel(displayName(service), this);
    QFont heavier = name->font();
    heavier.setWeight(QFont::DemiBold);
    name->setFont(heavier);
    texts->addWidget(name);
    if (!description.isEmpty()) {
        auto* detail = new QLabel(description, this);
        detail->setWordWrap(true);
        detail->setForegroundRole(QPalette::PlaceholderText);
        detail->setFont(Appearance::scaledFont(detail->font(), 0.9));
        texts->addWidget(detail);
    }
    row->addLayout(texts, 1);

    m_badge = new ProviderConnectionBadge(services.model, service, this);
    m_button = new ProviderConnectionButton(services, service, false, this);
    row->addWidget(m_badge, 0, Qt::AlignVCenter);
    row->addWidget(m_button, 0, Qt::AlignVCenter);
}

} // namespace tallyvane
