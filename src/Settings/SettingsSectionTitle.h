#pragma once

#include <QLabel>

namespace tallyvane {

// The heading above a panel.
class SettingsSectionTitle : public QLabel {
    Q_OBJECT
public:
    explicit SettingsSectionTitle(const QString& title, QWidget* parent = nullptr);
};

} // namespace tallyvane
