#include "AppModelFixture.h"

#include <Onboarding/OnboardingConnectStep.h>
#include <Onboarding/OnboardingView.h>
#include <Onboarding/OnboardingWindowController.h>

#include <QPushButton>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

void press(QWidget* window, const QString& title)
{
    const auto buttons = window->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == title && button->isVisible()) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(u"no visible button "_s + title));
}

} // namespace

class TestOnboarding : public QObject {
    Q_OBJECT

    struct Launch {
        AppModelFixture fixture;
        ViewServices services = fixture.viewServices();
        OnboardingWindowController controller{services};
    };

private Q_SLOTS:
    void init() { qputenv("TALLYVANE_REDUCE_MOTION", "1"); }

    void leavingStoresTheFlagOnlyThroughTheButtons_data()
    {
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<bool>("stored");
        QTest::newRow("not now") << QStringList{u"Not now"_s} << true;
        QTest::newRow("finish") << QStringList{u"Continue"_s, u"Finish"_s} << true;
        QTest::newRow("close button at step 2") << QStringList{u"Continue"_s} << false;
        QTest::newRow("back, then close") << QStringList{u"Continue"_s, u"Back"_s} << false;
    }
    void leavingStoresTheFlagOnlyThroughTheButtons()
    {
        QFETCH(QStringList, presses);
        QFETCH(bool, stored);
        Launch launch;
        launch.controller.showIfNeeded();
        QWidget* window = launch.controller.window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u"Welcome to Tallyvane"_s);
        QCOMPARE(window->size(), QSize(600, 520));
        QCOMPARE(window->minimumSize(), QSize(560, 480));
        QCOMPARE(launch.controller.view()->step(), 0);
        for (const QString& title : presses)
            press(window, title);
        if (!stored)
            window->close();
        QTRY_VERIFY(!launch.controller.window());
        QCOMPARE(launch.fixture.preferences.onboardingCompleted(), stored);

        // The next launch shows it again, from the first step, unless it was completed.
        launch.controller.showIfNeeded();
        QCOMPARE(launch.controller.window() != nullptr, !stored);
        if (!stored)
            QCOMPARE(launch.controller.view()->step(), 0);
    }

    void slideEndsWithThePageInPlace()
    {
        qputenv("TALLYVANE_REDUCE_MOTION", "0");
        Launch launch;
        launch.controller.showIfNeeded();
        press(launch.controller.window(), u"Continue"_s);
        QWidget* page = launch.controller.view()->connectStep();
        QCOMPARE(launch.controller.view()->step(), 1);
        QVERIFY(page->graphicsEffect());
        QTRY_VERIFY(!page->graphicsEffect());
        QCOMPARE(page->pos(), QPoint(0, 0));
    }

    void progressFollowsTheConnections()
    {
        Launch launch;
        for (ProviderService service : allCases<ProviderService>())
            launch.fixture.authentication->setStatus(FakeAuthenticator::signedOut(service));
        launch.fixture.refresh();
        launch.controller.showIfNeeded();
        press(launch.controller.window(), u"Continue"_s);
        OnboardingConnectStep* step = launch.controller.view()->connectStep();
        QCOMPARE(step->progress(), u"You can finish without connecting"_s);

        launch.fixture.authentication->setStatus(FakeAuthenticator::signedIn(ProviderService::claude));
        QList<QPushButton*> connectButtons = step->findChildren<QPushButton*>();
        connectButtons.removeIf([](const QPushButton* button) { return button->text() != "Connect"_L1; });
        // The second "Connect" belongs to Claude.
        QCOMPARE(connectButtons.size(), 2);
        connectButtons.last()->click();
        QTRY_COMPARE(step->progress(), u"1 account connected"_s);
        QCOMPARE(launch.controller.view()->step(), 1);
        QCOMPARE(OnboardingConnectStep::progressText(2), u"Both accounts connected"_s);
    }
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestOnboarding)
#include "TestOnboarding.moc"
