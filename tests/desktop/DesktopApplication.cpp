#include "DesktopApplication.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

QJsonObject rateLimits(int percent)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto window = [](int used, int minutes, qint64 resetsAt) {
        return QJsonObject{
            {u"usedPercent"_s, used}, {u"windowDurationMins"_s, minutes}, {u"resetsAt"_s, resetsAt}};
    };
    return {{u"rateLimits"_s, QJsonObject{{u"limitId"_s, u"codex"_s},
                                          {u"primary"_s, window(percent, 300, now + 2 * 3600)},
                                          {u"secondary"_s, window(10, 10080, now + 4 * 86400)}}}};
}

} // namespace

DesktopApplication::DesktopApplication()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

DesktopApplication::~DesktopApplication()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString DesktopApplication::prepare(int codexPercent)
{
    if (!m_scratch.isValid() || !QDir().mkpath(m_scratch.filePath(u"bin"_s)))
        return {};
    auto fake = FakeCodexScenario::install(m_scratch.filePath(u"bin"_s));
    if (!fake)
        return {};
    m_fake = std::move(*fake);
    if (!m_fake->set(FakeCodexCommand::version, FakeCodexScript::answer("codex-cli 0.171.0\n")) ||
        !m_fake->set(FakeCodexCommand::loginStatus, FakeCodexScript::answer("Logged in using ChatGPT\n")) ||
        !m_fake->set(FakeCodexCommand::appServer,
                     FakeCodexScript::usageExchange(rateLimits(codexPercent), QJsonObject{})))
        return {};

    const QString preferences = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Tallyvane"_s;
    QFile file(preferences + u"/preferences.json"_s);
    if (!QDir().mkpath(preferences) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(QJsonDocument(QJsonObject{{u"onboarding.completed.v1"_s, true},
                                         {u"connections.oauth-authorized.v2.codex"_s, true}})
                   .toJson());
    return m_fake->executablePath();
}

bool DesktopApplication::start(const QString& platform)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, platform);
    environment.insert(u"PATH"_s, m_scratch.filePath(u"bin"_s) + u':' + environment.value(u"PATH"_s));
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(TALLYVANE_APPLICATION), {});
    return m_process.waitForStarted(10'000);
}

bool DesktopApplication::stopWith(int signalNumber, int boundMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    ::kill(pid_t(m_process.processId()), signalNumber);
    return waitForExit(boundMs);
}

bool DesktopApplication::waitForExit(int boundMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(boundMs))
        return false;
    return m_process.exitStatus() == QProcess::NormalExit;
}

bool DesktopApplication::widgetPortInUse()
{
    QTcpSocket probe;
    probe.connectToHost(u"127.0.0.1"_s, widgetPort);
    return probe.waitForConnected(2000);
}

} // namespace tallyvane::testing
