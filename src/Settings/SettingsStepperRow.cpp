#include "SettingsStepperRow.h"

#include "SettingsRowText.h"

#include <UsageDomain/Localizable.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QToolButton* stepButton(const QString& symbol, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(symbol);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setAutoRepeat(true);
    button->setFixedSize(26, 24);
    return button;
}

} // namespace

SettingsStepperRow::SettingsStepperRow(const QString& labelFormat, Range range, QWidget* parent)
    : QWidget(parent)
    , m_format(labelFormat)
    , m_range(range)
    , m_label(SettingsRowText::title({}, this))
    , m_decrease(stepButton(u"\u2212"_s, localized("Decrease"), this))
    , m_increase(stepButton(u"+"_s, localized("Increase"), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_decrease);
    layout->addWidget(m_increase);

    connect(m_decrease, &QToolButton::clicked, this, [this] { step(-1); });
    connect(m_increase, &QToolButton::clicked, this, [this] { step(1); });
    setSeconds(range.minimum);
}

void SettingsStepperRow::setSeconds(double seconds)
{
    // A stored value may be anything a hand-edited file holds; past the range it would not even
    // convert to whole minutes.
    m_seconds = std::isfinite(seconds) ? std::min(seconds, m_range.maximum) : m_range.minimum;
    m_label->setText(text());
    m_decrease->setEnabled(seconds > m_range.minimum);
    m_increase->setEnabled(seconds < m_range.maximum);
    m_decrease->setAccessibleDescription(text());
    m_increase->setAccessibleDescription(text());
}

QString SettingsStepperRow::text() const
{
    return m_format.arg(static_cast<qint64>(std::trunc(m_seconds / 60)));
}

void SettingsStepperRow::step(int direction)
{
    const double next = std::clamp(m_seconds + direction * m_range.step, m_range.minimum, m_range.maximum);
    if (next == m_seconds)
        return;
    setSeconds(next);
    Q_EMIT steppedByUser(next);
}

} // namespace tallyvane
