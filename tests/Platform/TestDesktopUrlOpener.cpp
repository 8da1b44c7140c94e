#include <FakeDesktopPortal.h>
#include <Platform/DesktopUrlOpener.h>

#include <QCoroTask>
#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <optional>
#include <unistd.h>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// A sign-in address as a session makes it, with characters a shell would act on.
const QUrl address(u"https://claude.example/cai/oauth/authorize?code=true&state=s3cr3t'st;te$(id)"_s);

// Everything this process writes to standard error while it lives, kept in a file.
class StandardErrorCapture {
public:
    StandardErrorCapture()
    {
        QVERIFY(m_file.open());
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture() { restore(); }
    QByteArray take()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

class TestDesktopUrlOpener : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                 "needs a session bus: run inside dbus-run-session");
    }

    void portalFirstElseTheLauncher_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<std::optional<uint>>("portalAnswer"); // absent: the call fails
        QTest::addColumn<int>("launcherExit");                 // -1: there is no launcher
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("launched");
        const std::optional<uint> error;
        QTest::newRow("portal opens it") << true << std::optional(0u) << 0 << true << false;
        QTest::newRow("user closes the portal's chooser") << true << std::optional(1u) << 0 << false << false;
        QTest::newRow("portal fails, launcher opens") << true << std::optional(2u) << 0 << true << true;
        QTest::newRow("portal call refused, launcher opens") << true << error << 0 << true << true;
        QTest::newRow("no portal, launcher opens") << false << error << 0 << true << true;
        QTest::newRow("no portal, launcher finds no browser") << false << error << 3 << false << true;
        QTest::newRow("no portal, no launcher") << false << error << -1 << false << false;
    }
    void portalFirstElseTheLauncher()
    {
        QFETCH(bool, portal);
        QFETCH(std::optional<uint>, portalAnswer);
        QFETCH(int, launcherExit);
        QFETCH(bool, opened);
        QFETCH(bool, launched);

        FakeDesktopPortal fakePortal;
        fakePortal.answerWith(portalAnswer);
        if (portal)
            QVERIFY(fakePortal.start());

        // Like xdg-open without a browser: it complains on standard error, naming the address.
        QTemporaryDir folder;
        const QString launcher = folder.filePath(u"xdg-open"_s);
        if (launcherExit >= 0) {
            QFile script(launcher);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(u"#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1\"\n"
                         "echo \"xdg-open: no method available for opening '$1'\" >&2\nexit %2\n"_s
                             .arg(folder.filePath(u"arguments"_s))
                             .arg(launcherExit)
                             .toUtf8());
            script.close();
            QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }

        DesktopUrlOpener opener(QDBusConnection::sessionBus(), {.launcher = launcher});
        StandardErrorCapture standardError;
        QCOMPARE(QCoro::waitFor(opener.open(address)), opened);
        QVERIFY(!standardError.take().contains("s3cr3t"));

        QCOMPARE(fakePortal.addresses(),
                 portal ? QStringList{address.toString(QUrl::FullyEncoded)} : QStringList());
        QFile arguments(folder.filePath(u"arguments"_s));
        QCOMPARE(arguments.exists(), launched);
        if (launched) {
            // One argument, passed as it is: never through a shell.
            QVERIFY(arguments.open(QIODevice::ReadOnly));
            QCOMPARE(arguments.readAll(), address.toString(QUrl::FullyEncoded).toUtf8() + '\n');
        }
    }
};

QTEST_GUILESS_MAIN(TestDesktopUrlOpener)
#include "TestDesktopUrlOpener.moc"
