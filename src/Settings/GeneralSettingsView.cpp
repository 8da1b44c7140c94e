#include "GeneralSettingsView.h"

#include "DiagnosticsContent.h"
#include "PreferenceBinding.h"
#include "PrivacyContent.h"
#include "SettingsDisclosure.h"
#include "SettingsPanel.h"
#include "SettingsRowText.h"
#include "SettingsStepperRow.h"
#include "SettingsSwitch.h"
#include "SettingsToggleRow.h"

#include <Platform/XdgAutostartEntry.h>
#include <TallyvaneUI/LoginItemController.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageNotifications.h>
#include <UsageDomain/Localizable.h>

#include <QCheckBox>
#include <QCoroTask>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QString permissionDetail(UsageNotificationPermission permission)
{
    switch (permission) {
    case UsageNotificationPermission::unavailable:
        return localized("Unavailable: this session has no D-Bus session bus");
    case UsageNotificationPermission::denied:
        return localized("No notification service is running");
    case UsageNotificationPermission::notRequested:
        return localized("Permission will be requested when enabled");
    case UsageNotificationPermission::allowed:
        break;
    }
    return localized("Only newly crossed thresholds are announced");
}

SettingsStepperRow* refreshStepper(Preferences& preferences, const char* format, QLatin1StringView key,
                                   SettingsStepperRow::Range range, double (Preferences::*read)() const,
                                   bool (Preferences::*write)(double))
{
    auto* row = new SettingsStepperRow(localized(format), range);
    PreferenceBinding::stepper(
        row, preferences, QString(key), [&preferences, read] { return (preferences.*read)(); },
        [&preferences, write](double seconds) { return (preferences.*write)(seconds); });
    return row;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(const ViewServices& services,
                                         UsageNotificationController& notifications,
                                         LoginItemController& loginItem, SaveFileChooser chooseFile,
                                         QWidget* parent)
    : SettingsPage(localized("General"),
                   localized("Startup, refresh behavior and information about the app."), parent)
    , m_services(services)
    , m_notifications(notifications)
    , m_loginItem(loginItem)
{
    Preferences& preferences = services.preferences;
    addSection(localized("Startup"))->addRow(startupRows());

    SettingsPanel* refresh = addSection(localized("Refresh"));
    m_activeRefresh = refreshStepper(
        preferences, "While viewing: %1 min", PreferenceKey::refreshActiveSeconds, {120, 900, 60},
        &Preferences::storedRefreshActiveSeconds, &Preferences::setRefreshActiveSeconds);
    m_idleRefresh = refreshStepper(preferences, "In background: %1 min", PreferenceKey::refreshIdleSeconds,
                                   {300, 3600, 60}, &Preferences::storedRefreshIdleSeconds,
                                   &Preferences::setRefreshIdleSeconds);
    refresh->addRow(m_activeRefresh);
    refresh->addRow(m_idleRefresh);

    addNotifications(preferences);

    SettingsPanel* about = addSection(localized("About"));
    about->addRow(new SettingsDisclosure(localized("Diagnostics"), u"stethoscope"_s,
                                         new DiagnosticsContent(services, std::move(chooseFile))));
    about->addRow(new SettingsDisclosure(localized("Privacy"), u"hand.raised"_s, new PrivacyContent));
}

QWidget* GeneralSettingsView::startupRows()
{
    auto* rows = new QWidget;
    m_launchAtLogin = new SettingsToggleRow(localized("Launch at login"), {}, rows);
    m_openSystemSettings = new QPushButton(localized("Open System Settings"), rows);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_openSystemSettings);
    buttonRow->addStretch(1);
    auto* layout = new QVBoxLayout(rows);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_launchAtLogin);
    layout->addLayout(buttonRow);

    connect(m_launchAtLogin, &SettingsToggleRow::toggledByUser, this, [this](bool on) {
        m_loginItem.setEnabled(on);
        showLoginItem(); // the switch snaps back when the change did not take
    });
    connect(m_openSystemSettings, &QPushButton::clicked, this, &GeneralSettingsView::openAutostartSettings);
    connect(&m_loginItem, &LoginItemController::stateChanged, this, &GeneralSettingsView::showLoginItem);
    connect(&m_loginItem, &LoginItemController::messageChanged, this, &GeneralSettingsView::showLoginItem);
    showLoginItem();
    return rows;
}

void GeneralSettingsView::addNotifications(Preferences& preferences)
{
    SettingsPanel* panel = addSection(localized("Notifications"));
    m_usageAlerts = new SettingsToggleRow(localized("Usage alerts"));
    PreferenceBinding::toggle(
        m_usageAlerts, preferences, QString(PreferenceKey::notificationsEnabled),
        [&preferences] { return preferences.notificationsEnabled(); },
        [this, &preferences](bool on) {
            const bool stored = preferences.setNotificationsEnabled(on);
            // Asked every time alerts are switched on: the answer may have changed meanwhile.
            if (stored && on)
                QCoro::connect(m_notifications.requestAuthorization(), this, [](bool) {});
            return stored;
        });
    connect(&m_notifications, &UsageNotificationController::permissionChanged, this,
            &GeneralSettingsView::showPermission);
    showPermission();
    panel->addRow(m_usageAlerts);

    auto* thresholds = new QWidget;
    auto* thresholdLayout = new QHBoxLayout(thresholds);
    thresholdLayout->setContentsMargins(0, 0, 0, 0);
    thresholdLayout->addWidget(SettingsRowText::title(localized("Alert at"), thresholds), 1);
    for (const int percent : Preferences::alertThresholds) {
        auto* box = new QCheckBox(QLocale().toString(percent) + QLocale().percent(), thresholds);
        thresholdLayout->addWidget(box);
        PreferenceBinding::follow(
            preferences, PreferenceKey::alertThreshold(percent), box,
            [box, &preferences, percent] { box->setChecked(preferences.alertThresholdEnabled(percent)); });
        connect(box, &QCheckBox::clicked, box, [box, &preferences, percent](bool on) {
            preferences.setAlertThresholdEnabled(percent, on);
            box->setChecked(preferences.alertThresholdEnabled(percent));
        });
    }
    panel->addRow(thresholds);

    auto* windowReset = new SettingsToggleRow(localized("Window resets"),
                                              localized("Notify when an allowance becomes available again"));
    PreferenceBinding::toggle(
        windowReset, preferences, QString(PreferenceKey::windowResetNotifications),
        [&preferences] { return preferences.windowResetNotifications(); },
        [&preferences](bool on) { return preferences.setWindowResetNotifications(on); });
    panel->addRow(windowReset);

    auto* paceWarnings = new SettingsToggleRow(localized("Warn when on pace to run out before reset"),
                                               localized("Once per window, from the recent rate of use"));
    PreferenceBinding::toggle(
        paceWarnings, preferences, QString(PreferenceKey::paceWarnings),
        [&preferences] { return preferences.paceWarnings(); },
        [&preferences](bool on) { return preferences.setPaceWarnings(on); });
    panel->addRow(paceWarnings);

    // The choices below only matter while alerts are on.
    PreferenceBinding::follow(
        preferences, QString(PreferenceKey::notificationsEnabled), this,
        [thresholds, windowReset, paceWarnings, &preferences] {
            const bool on = preferences.notificationsEnabled();
            for (QWidget* choice : std::initializer_list<QWidget*>{thresholds, windowReset, paceWarnings})
                choice->setEnabled(on);
        });
}

void GeneralSettingsView::showEvent(QShowEvent* event)
{
    SettingsPage::showEvent(event);
    m_loginItem.refresh();
    showLoginItem();
}

void GeneralSettingsView::showLoginItem()
{
    using State = LoginItemController::State;
    m_launchAtLogin->setChecked(m_loginItem.isOn());
    m_launchAtLogin->setDetail(m_loginItem.messageText());
    m_launchAtLogin->toggle()->setEnabled(m_loginItem.state() != State::unavailable);
    m_openSystemSettings->setVisible(m_loginItem.state() == State::awaitingApproval);
}

void GeneralSettingsView::showPermission()
{
    m_usageAlerts->setDetail(permissionDetail(m_notifications.permission()));
}

void GeneralSettingsView::openAutostartSettings()
{
    // Desktops have no common settings page for autostart; the folder of autostart entries is
    // what every one of them reads, so that is what we show.
    const QString folder = QFileInfo(XdgAutostartEntry::entryPath()).absolutePath();
    QDir().mkpath(folder);
    m_services.openUrl(QUrl::fromLocalFile(folder));
}

} // namespace tallyvane
