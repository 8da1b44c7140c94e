#include "SettingsChoiceRow.h"

#include "SettingsRowText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace tallyvane {

SettingsChoiceRow::SettingsChoiceRow(const QString& title, const QList<Option>& options, QWidget* parent)
    : QWidget(parent)
    , m_picker(new QComboBox(this))
{
    for (const Option& option : options)
        m_picker->addItem(option.label, option.value);
    m_picker->setAccessibleName(title);
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SettingsRowText::title(title, this), 1);
    layout->addWidget(m_picker);

    connect(m_picker, &QComboBox::activated, this,
            [this](int index) { Q_EMIT chosenByUser(m_picker->itemData(index).toString()); });
}

QString SettingsChoiceRow::value() const
{
    return m_picker->currentData().toString();
}

void SettingsChoiceRow::setValue(const QString& value)
{
    m_picker->setCurrentIndex(std::max(m_picker->findData(value), 0));
}

} // namespace tallyvane
