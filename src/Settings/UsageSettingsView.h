#pragma once

#include "SaveFileChooser.h"
#include "SettingsDestination.h"

#include <UsageViews/ViewServices.h>

#include <QWidget>

class QListWidget;
class QStackedWidget;

namespace tallyvane {

class GeneralSettingsView;
class LoginItemController;
class MenuBarSettingsView;
class ProvidersSettingsView;
class UsageNotificationController;

// The settings window's content: a sidebar of destinations and the selected page. The
// selection is view state and starts at the accounts page.
class UsageSettingsView : public QWidget {
    Q_OBJECT
public:
    UsageSettingsView(const ViewServices& services, UsageNotificationController& notifications,
                      LoginItemController& loginItem, SaveFileChooser chooseFile, QWidget* parent = nullptr);

    SettingsDestination destination() const;
    void select(SettingsDestination destination);

    ProvidersSettingsView* accountsPage() const { return m_accounts; }
    MenuBarSettingsView* menuBarPage() const { return m_menuBar; }
    GeneralSettingsView* generalPage() const { return m_general; }

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* sidebar();
    void styleDestinations();

    QListWidget* m_destinations;
    QStackedWidget* m_pages;
    ProvidersSettingsView* m_accounts;
    MenuBarSettingsView* m_menuBar;
    GeneralSettingsView* m_general;
};

} // namespace tallyvane
