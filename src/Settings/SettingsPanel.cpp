#include "SettingsPanel.h"

#include <QVBoxLayout>

namespace tallyvane {

SettingsPanel::SettingsPanel(QWidget* parent)
    : SurfaceCard(parent)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(8);
}

void SettingsPanel::addRow(QWidget* row)
{
    if (m_rows->count() > 0) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        line->setForegroundRole(QPalette::Mid);
        m_rows->addWidget(line);
    }
    m_rows->addWidget(row);
}

} // namespace tallyvane
