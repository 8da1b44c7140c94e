#include "FakeCodexScenario.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

// The scenario file's section for each command, in the enumeration's order.
QString keyFor(FakeCodexCommand command)
{
    static const QStringList keys{u"version"_s, u"appServerHelp"_s, u"loginStatus"_s, u"appServer"_s};
    return keys.value(int(command));
}

} // namespace

std::expected<FakeCodexScenario, QString> FakeCodexScenario::install(const QString& directory,
                                                                     const QString& name)
{
    const QString source = QStringLiteral(TALLYVANE_FAKE_CODEX_PATH);
    if (!QDir().mkpath(directory))
        return std::unexpected(u"cannot create %1"_s.arg(directory));
    FakeCodexScenario scenario(QDir(directory).absoluteFilePath(name));
    QFile::remove(scenario.executablePath());
    QFile::remove(scenario.logPath());
    if (!QFile::copy(source, scenario.executablePath()))
        return std::unexpected(u"cannot copy %1 to %2"_s.arg(source, scenario.executablePath()));
    if (!QFile::setPermissions(scenario.executablePath(),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return std::unexpected(u"cannot make %1 executable"_s.arg(scenario.executablePath()));
    if (!scenario.save())
        return std::unexpected(u"cannot write %1"_s.arg(scenario.scenarioPath()));
    return scenario;
}

bool FakeCodexScenario::set(FakeCodexCommand command, const FakeCodexScript& script)
{
    m_scenario.insert(keyFor(command), script.toJson());
    return save();
}

bool FakeCodexScenario::clear(FakeCodexCommand command)
{
    m_scenario.remove(keyFor(command));
    return save();
}

bool FakeCodexScenario::save() const
{
    QSaveFile file(scenarioPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(m_scenario).toJson());
    return file.commit();
}

QList<QJsonObject> FakeCodexScenario::events() const
{
    QFile file(logPath());
    QList<QJsonObject> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            result.append(QJsonDocument::fromJson(line).object());
    }
    return result;
}

QList<QStringList> FakeCodexScenario::invocations() const
{
    QList<QStringList> result;
    for (const QJsonObject& event : events()) {
        if (event.value(u"event"_s) == u"start"_s)
            result.append(event.value(u"argv"_s).toVariant().toStringList());
    }
    return result;
}

QByteArrayList FakeCodexScenario::receivedLines() const
{
    QByteArrayList result;
    for (const QJsonObject& event : events()) {
        if (event.value(u"event"_s) == u"stdin"_s)
            result.append(event.value(u"line"_s).toString().toUtf8());
    }
    return result;
}

bool FakeCodexScenario::clearLog() const
{
    return !QFile::exists(logPath()) || QFile::remove(logPath());
}

} // namespace tallyvane::testing
