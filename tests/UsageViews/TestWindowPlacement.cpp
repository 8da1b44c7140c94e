#include <UsageViews/WindowPlacement.h>

#include <QTest>

using namespace tallyvane;

// Rectangles as the window system gives them: a 800 x 600 screen, with or without panels.
class TestWindowPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowsStayInsideTheAvailableArea_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 800, 600);
        const QRect topPanel(0, 30, 800, 570);
        const QRect bottomPanel(0, 0, 800, 560);
        const QRect secondScreen(800, 0, 1280, 1024);
        // Centred as it is, the dashboard would start 60 px above the screen.
        QTest::newRow("dashboard, bare 600 px screen") << screen << QSize(980, 720) << screen;
        QTest::newRow("settings above a bottom panel")
            << bottomPanel << QSize(640, 560) << QRect(80, 0, 640, 560);
        QTest::newRow("onboarding fits") << topPanel << QSize(600, 520) << QRect(100, 55, 600, 520);
        QTest::newRow("too tall only") << topPanel << QSize(300, 900) << QRect(250, 30, 300, 570);
        QTest::newRow("second screen") << secondScreen << QSize(980, 720) << QRect(950, 152, 980, 720);
    }
    void windowsStayInsideTheAvailableArea()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::centred(size, available), expected);
    }

    void popoverSitsBesideItsAnchor_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("expected");
        const QSize popover(360, 560);
        const QRect topPanel(0, 30, 1280, 770);
        const QRect bottomPanel(0, 0, 1280, 760);
        // A click in the top panel: below it, never under the panel however close the click.
        QTest::newRow("click in a top panel")
            << topPanel << QRect(700, 12, 1, 1) << QRect(QPoint(520, 30), popover);
        QTest::newRow("icon in a top panel, right corner")
            << topPanel << QRect(1250, 2, 24, 24) << QRect(QPoint(920, 30), popover);
        QTest::newRow("click in a bottom panel")
            << bottomPanel << QRect(100, 780, 1, 1) << QRect(QPoint(0, 200), popover);
        QTest::newRow("pointer in the middle of a bare screen")
            << QRect(0, 0, 1280, 800) << QRect(640, 200, 1, 1) << QRect(QPoint(460, 205), popover);
        QTest::newRow("screen lower than the popover")
            << QRect(0, 24, 1024, 456) << QRect(500, 10, 1, 1) << QRect(320, 24, 360, 456);
    }
    void popoverSitsBesideItsAnchor()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, anchor);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::beside(anchor, QSize(360, 560), available, 4), expected);
    }

    // X clients of wlroots compositors are told no work area: the bar the item sits in is
    // estimated from the point it passed, or assumed.
    void unreportedPanelsAreKeptClear_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1280, 800);
        const QRect topPanel(0, 30, 1280, 770);
        QTest::newRow("panels reported") << topPanel << QRect(1250, 15, 1, 1) << topPanel;
        QTest::newRow("click in a 30 px top bar")
            << screen << QRect(1250, 15, 1, 1) << QRect(0, 40, 1280, 720);
        QTest::newRow("click at the middle of a 64 px top bar")
            << screen << QRect(600, 32, 1, 1) << QRect(0, 65, 1280, 695);
        QTest::newRow("icon in a 60 px bottom bar")
            << screen << QRect(100, 760, 22, 22) << QRect(0, 40, 1280, 701);
        QTest::newRow("pointer far below a top bar")
            << screen << QRect(640, 60, 1, 1) << QRect(0, 40, 1280, 720);
    }
    void unreportedPanelsAreKeptClear()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, anchor);
        QFETCH(QRect, expected);
        const QRect area =
            WindowPlacement::clearOfUnreportedPanels(available, QRect(0, 0, 1280, 800), anchor);
        QCOMPARE(area, expected);
        // The popover opened from there lies wholly in that area.
        QVERIFY(area.contains(WindowPlacement::beside(anchor, QSize(360, 560), area, 4)));
    }
};

QTEST_APPLESS_MAIN(TestWindowPlacement)
#include "TestWindowPlacement.moc"
