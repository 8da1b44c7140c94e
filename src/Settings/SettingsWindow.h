#pragma once

#include "SaveFileChooser.h"

#include <UsageViews/ViewServices.h>

#include <QWidget>

namespace tallyvane {

class LoginItemController;
class UsageNotificationController;
class UsageSettingsView;

// The "Tallyvane Settings" window. Created once and shown again when asked for; Escape closes it.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(const ViewServices& services, UsageNotificationController& notifications,
                   LoginItemController& loginItem, SaveFileChooser chooseFile, QWidget* parent = nullptr);

    UsageSettingsView* content() const { return m_content; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    UsageSettingsView* m_content;
};

} // namespace tallyvane
