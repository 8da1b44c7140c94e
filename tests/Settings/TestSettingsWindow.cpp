#include "AppModelFixture.h"

#include <Settings/DiagnosticsContent.h>
#include <Settings/GeneralSettingsView.h>
#include <Settings/MenuBarPreview.h>
#include <Settings/MenuBarSettingsView.h>
#include <Settings/ProvidersSettingsView.h>
#include <Settings/SettingsStepperRow.h>
#include <Settings/SettingsSwitch.h>
#include <Settings/SettingsToggleRow.h>
#include <Settings/SettingsWindow.h>
#include <Settings/UsageSettingsView.h>
#include <TallyvaneUI/LoginItemController.h>

#include <QCoroTask>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

// Declared before the data tables use it; optimised builds instantiate the id early.
Q_DECLARE_METATYPE(tallyvane::NotificationAuthorization)

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

using LoginState = LoginItemController::State;

// The desktop's notification service as far as permission goes: it answers what the test set,
// grants a request only when already authorised, and counts the requests.
class ScriptedCenter final : public NotificationPosting {
public:
    NotificationAuthorization answer = NotificationAuthorization::notDetermined;
    int requests = 0;

    QCoro::Task<NotificationAuthorization> authorization() override { co_return answer; }
    QCoro::Task<std::expected<bool, NotificationPostingError>> requestAuthorization() override
    {
        ++requests;
        co_return answer == NotificationAuthorization::authorized;
    }
    QCoro::Task<std::expected<void, NotificationPostingError>> post(UserNotification) override
    {
        co_return {};
    }
};

// Stands in for the autostart registration, whose awaiting-approval state Linux never reports.
class ScriptedLoginItem final : public LoginItemController {
public:
    State scripted = State::disabled;
    void refresh() override { update(scripted, std::nullopt); }
};

struct Settings {
    AppModelFixture fixture;
    std::shared_ptr<ScriptedCenter> center = std::make_shared<ScriptedCenter>();
    UsageNotificationController notifications;
    ScriptedLoginItem loginItem;
    QList<QUrl> opened;
    QString chosenPath;
    QStringList suggestedNames;
    ViewServices services = fixture.viewServices([this](const QUrl& url) {
        opened << url;
        return true;
    });
    SettingsWindow window{services, notifications, loginItem, [this](QWidget*, const QString& name) {
                              suggestedNames << name;
                              return chosenPath;
                          }};

    explicit Settings(bool withCenter = true)
        : notifications(withCenter ? center : nullptr, [] { return UsageAlertSettings{}; })
    {
    }

    UsageSettingsView& view() const { return *window.content(); }
    GeneralSettingsView& general() const { return *view().generalPage(); }
    void showGeneral()
    {
        view().select(SettingsDestination::general);
        window.show();
    }
};

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(u"data"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home.filePath(u"system"_s)));
    }

    void reverseProviderOrder_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("afterPresses");
        QTest::newRow("default") << QVariant() << u"Codex, then Claude"_s
                                 << QStringList{u"claude,codex"_s, u"codex,claude"_s};
        // Anything but the exact usual text counts as reversed.
        QTest::newRow("spaced text") << QVariant(u"codex, claude"_s) << u"Claude, then Codex"_s
                                     << QStringList{u"codex,claude"_s, u"claude,codex"_s};
    }

    void reverseProviderOrder()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        QFETCH(QStringList, afterPresses);
        Settings settings;
        if (stored.isValid())
            settings.fixture.preferences.setValue(PreferenceKey::providerOrder, stored);
        ProvidersSettingsView& page = *settings.view().accountsPage();
        QCOMPARE(page.orderText(), shown);
        for (const QString& expected : afterPresses) {
            page.reverseButton()->click();
            QCOMPARE(settings.fixture.preferences.providerOrderText(), expected);
            QCOMPARE(page.orderText(),
                     expected == u"codex,claude"_s ? u"Codex, then Claude"_s : u"Claude, then Codex"_s);
        }
    }

    void refreshSteppers_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("step"); // -1, 0 or +1
        QTest::addColumn<QString>("label");
        QTest::addColumn<double>("storedAfter");
        QTest::newRow("150 s in whole minutes")
            << true << QVariant(150.0) << 0 << u"While viewing: 2 min"_s << 150.0;
        QTest::newRow("steps by 60 s") << true << QVariant(150.0) << 1 << u"While viewing: 3 min"_s << 210.0;
        QTest::newRow("idle default") << false << QVariant() << -1 << u"In background: 9 min"_s << 540.0;
        QTest::newRow("huge stored interval")
            << true << QVariant(1e300) << 0 << u"While viewing: 15 min"_s << 1e300;
        QTest::newRow("below the range")
            << false << QVariant(120.0) << 1 << u"In background: 5 min"_s << 300.0;
    }

    void refreshSteppers()
    {
        QFETCH(bool, active);
        QFETCH(QVariant, stored);
        QFETCH(int, step);
        QFETCH(QString, label);
        QFETCH(double, storedAfter);
        Settings settings;
        Preferences& preferences = settings.fixture.preferences;
        const QString key = active ? PreferenceKey::refreshActiveSeconds : PreferenceKey::refreshIdleSeconds;
        if (stored.isValid())
            preferences.setValue(key, stored);
        SettingsStepperRow& row =
            active ? *settings.general().activeRefreshRow() : *settings.general().idleRefreshRow();
        if (step != 0)
            (step > 0 ? row.increaseButton() : row.decreaseButton())->click();
        QCOMPARE(row.text(), label);
        QCOMPARE(active ? preferences.storedRefreshActiveSeconds() : preferences.storedRefreshIdleSeconds(),
                 storedAfter);
    }

    void alertsDetail_data()
    {
        QTest::addColumn<bool>("withCenter");
        QTest::addColumn<NotificationAuthorization>("answer");
        QTest::addColumn<QString>("detail");
        QTest::newRow("no service") << false << NotificationAuthorization::notDetermined
                                    << u"Unavailable: this session has no D-Bus session bus"_s;
        QTest::newRow("not asked") << true << NotificationAuthorization::notDetermined
                                   << u"Permission will be requested when enabled"_s;
        QTest::newRow("denied") << true << NotificationAuthorization::denied
                                << u"No notification service is running"_s;
        QTest::newRow("allowed") << true << NotificationAuthorization::authorized
                                 << u"Only newly crossed thresholds are announced"_s;
    }

    void alertsDetail()
    {
        QFETCH(bool, withCenter);
        QFETCH(NotificationAuthorization, answer);
        QFETCH(QString, detail);
        Settings settings(withCenter);
        settings.center->answer = answer;
        QCoro::waitFor(settings.notifications.refreshPermission());
        QCOMPARE(settings.general().usageAlertsRow()->detail(), detail);
    }

    void switchingAlertsOnAsksEachTime()
    {
        Settings settings;
        Preferences& preferences = settings.fixture.preferences;
        SettingsSwitch& toggle = *settings.general().usageAlertsRow()->toggle();
        const auto clickAndExpect = [&](bool stored, int requests) {
            toggle.click();
            QCOMPARE(preferences.notificationsEnabled(), stored);
            QCOMPARE(toggle.isChecked(), stored);
            QCOMPARE(settings.center->requests, requests);
        };
        clickAndExpect(true, 1);
        clickAndExpect(false, 1);
        settings.center->answer = NotificationAuthorization::authorized;
        clickAndExpect(true, 2);
    }

    void paceWarningSwitchIsOnAndFollowsAlerts()
    {
        Settings settings;
        settings.showGeneral();
        Preferences& preferences = settings.fixture.preferences;
        SettingsToggleRow* pace = nullptr;
        for (SettingsToggleRow* row : settings.general().findChildren<SettingsToggleRow*>()) {
            for (const QLabel* label : row->findChildren<QLabel*>())
                pace = label->text() == "Warn when on pace to run out before reset"_L1 ? row : pace;
        }
        QVERIFY(pace);
        QVERIFY(pace->isChecked() && !pace->isEnabled()); // on, but idle while alerts are off
        QVERIFY(preferences.setNotificationsEnabled(true));
        QVERIFY(pace->isEnabled());
        pace->toggle()->click();
        QVERIFY(!preferences.paceWarnings() && !pace->isChecked());
    }

    void launchAtLogin_data()
    {
        QTest::addColumn<LoginState>("state");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("buttonShown");
        QTest::newRow("awaiting approval") << LoginState::awaitingApproval << true << true;
        QTest::newRow("enabled") << LoginState::enabled << true << false;
        QTest::newRow("disabled") << LoginState::disabled << false << false;
    }

    void launchAtLogin()
    {
        QFETCH(LoginState, state);
        QFETCH(bool, on);
        QFETCH(bool, buttonShown);
        Settings settings;
        settings.showGeneral();
        // The state is read again whenever the page comes back into view.
        settings.loginItem.scripted = state;
        settings.view().select(SettingsDestination::accounts);
        settings.view().select(SettingsDestination::general);
        GeneralSettingsView& page = settings.general();
        QCOMPARE(page.launchAtLoginRow()->isChecked(), on);
        QCOMPARE(page.launchAtLoginRow()->detail(), settings.loginItem.messageText());
        QCOMPARE(page.openSystemSettingsButton()->isVisible(), buttonShown);
        if (buttonShown) {
            page.openSystemSettingsButton()->click();
            QCOMPARE(settings.opened.size(), 1);
            QVERIFY(settings.opened.first().toLocalFile().endsWith(u"/config/autostart"_s));
        }
    }

    void exportDiagnostics_data()
    {
        QTest::addColumn<QString>("fileName"); // empty: the user cancels
        QTest::addColumn<QString>("status");
        QTest::newRow("saved") << u"report.txt"_s << u"Diagnostics exported."_s;
        QTest::newRow("missing folder") << u"missing/report.txt"_s << u"Diagnostics could not be exported."_s;
        QTest::newRow("cancelled") << QString() << QString();
    }

    void exportDiagnostics()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, status);
        Settings settings;
        settings.fixture.refresh();
        const QString path = fileName.isEmpty() ? QString() : settings.fixture.directory.filePath(fileName);
        settings.chosenPath = path;
        DiagnosticsContent& content = *settings.general().findChild<DiagnosticsContent*>();
        content.exportButton()->click();
        QCOMPARE(settings.suggestedNames, QStringList{u"Tallyvane-Diagnostics.txt"_s});
        QCOMPARE(content.exportStatus(), status);
        QFile file(path);
        if (status == u"Diagnostics exported."_s) {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(file.readAll()), settings.fixture.model->diagnosticsReport());
        } else {
            QVERIFY(path.isEmpty() || !file.exists());
        }
    }

    void previewFollowsMenuPreferences()
    {
        Settings settings;
        settings.fixture.refresh();
        const MenuBarPreview& preview = *settings.view().menuBarPage()->preview();
        QCOMPARE(preview.projection().entries.size(), 2);
        QVERIFY(!preview.projection().entries.first().text.isEmpty());
        QCOMPARE(preview.accessibleName(), u"Menu bar preview: "_s + preview.projection().accessibilityLabel);

        // Written by another process: the preview follows once the file watcher notices.
        Preferences elsewhere(settings.fixture.preferences.filePath());
        elsewhere.setIconsOnly(true);
        elsewhere.setShowService(ProviderService::claude, false);
        QTRY_COMPARE(preview.projection().entries.size(), 1);
        QTRY_VERIFY(preview.projection().entries.first().text.isEmpty());
    }

private:
    QTemporaryDir m_home;
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestSettingsWindow)
#include "TestSettingsWindow.moc"
