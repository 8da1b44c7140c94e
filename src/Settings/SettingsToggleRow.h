#pragma once

#include <QWidget>

class QLabel;

namespace tallyvane {

class SettingsSwitch;

// A titled switch with an optional detail line under the title. toggledByUser is emitted only
// for the user's own changes, never for setChecked, so a stored value can be shown without
// being written back.
class SettingsToggleRow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsToggleRow(const QString& title, const QString& detail = {}, QWidget* parent = nullptr);

    bool isChecked() const;
    void setChecked(bool on);
    QString detail() const;
    // An empty detail hides the line.
    void setDetail(const QString& detail);
    SettingsSwitch* toggle() const { return m_switch; }

Q_SIGNALS:
    void toggledByUser(bool on);

private:
    QLabel* m_detail;
    SettingsSwitch* m_switch;
};

} // namespace tallyvane
