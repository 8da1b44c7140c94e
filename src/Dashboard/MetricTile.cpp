#include "MetricTile.h"

#include "DashboardStyle.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tallyvane {

MetricTile::MetricTile(const QString& title, QWidget* parent)
    : QFrame(parent)
    , m_title(new QLabel(title, this))
    , m_value(new QLabel(this))
    , m_detail(new QLabel(this))
{
    setObjectName(QStringLiteral("metricTile"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(2);
    DashboardStyle::makeCaption(m_title);
    DashboardStyle::makeFigure(m_value, 1.35);
    DashboardStyle::makeSecondary(m_detail);
    m_detail->setWordWrap(true);
    layout->addWidget(m_title);
    layout->addWidget(m_value);
    layout->addWidget(m_detail);
    layout->addStretch();
    setMinimumWidth(120);
}

void MetricTile::setValue(const QString& value, const QString& detail)
{
    m_value->setText(value);
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    setAccessibleName(m_title->text() + QStringLiteral(": ") + value);
}

QString MetricTile::title() const
{
    return m_title->text();
}

QString MetricTile::value() const
{
    return m_value->text();
}

QString MetricTile::detail() const
{
    return m_detail->text();
}

void MetricTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DashboardStyle::paintInset(painter, rect(), palette());
}

} // namespace tallyvane
