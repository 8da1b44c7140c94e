#include "SettingsToggleRow.h"

#include "SettingsRowText.h"
#include "SettingsSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tallyvane {

SettingsToggleRow::SettingsToggleRow(const QString& title, const QString& detail, QWidget* parent)
    : QWidget(parent)
    , m_detail(SettingsRowText::detail(detail, this))
    , m_switch(new SettingsSwitch(this))
{
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(SettingsRowText::title(title, this));
    texts->addWidget(m_detail);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(texts, 1);
    layout->addWidget(m_switch, 0, Qt::AlignVCenter);

    m_switch->setAccessibleName(title);
    setDetail(detail);
    connect(m_switch, &SettingsSwitch::clicked, this, &SettingsToggleRow::toggledByUser);
}

bool SettingsToggleRow::isChecked() const
{
    return m_switch->isChecked();
}

void SettingsToggleRow::setChecked(bool on)
{
    m_switch->setChecked(on);
}

QString SettingsToggleRow::detail() const
{
    return m_detail->text();
}

void SettingsToggleRow::setDetail(const QString& detail)
{
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    m_switch->setAccessibleDescription(detail);
}

} // namespace tallyvane
