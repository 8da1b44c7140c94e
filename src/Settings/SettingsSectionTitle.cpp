#include "SettingsSectionTitle.h"

namespace tallyvane {

SettingsSectionTitle::SettingsSectionTitle(const QString& title, QWidget* parent)
    : QLabel(title, parent)
{
    setTextFormat(Qt::PlainText);
    setAccessibleName(title);
    QFont heading = font();
    heading.setWeight(QFont::DemiBold);
    setFont(heading);
    setContentsMargins(4, 6, 0, 0);
}

} // namespace tallyvane
