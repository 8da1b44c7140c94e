#pragma once

#include "SettingsPage.h"

#include <UsageViews/ViewServices.h>

class QLabel;
class QPushButton;

namespace tallyvane {

// Accounts: the connection of each service and which services the menu bar shows, in what order.
class ProvidersSettingsView : public SettingsPage {
    Q_OBJECT
public:
    explicit ProvidersSettingsView(const ViewServices& services, QWidget* parent = nullptr);

    QPushButton* reverseButton() const { return m_reverse; }
    QString orderText() const;

private:
    void reverseOrder();

    ViewServices m_services;
    QLabel* m_order;
    QPushButton* m_reverse;
};

} // namespace tallyvane
