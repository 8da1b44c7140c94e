#pragma once

#include <QAbstractButton>

namespace tallyvane {

// An on/off switch: a pill whose knob sits right and whose track takes the accent colour when on.
class SettingsSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tallyvane
