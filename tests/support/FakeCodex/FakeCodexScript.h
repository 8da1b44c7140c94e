#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace tallyvane::testing {

// What the fake `codex` does for one command line: a list of steps run in order, written as
// the JSON the fake reads. Steps that read input log every line they see; after the last
// step the app-server keeps reading until its input closes, a one-shot command exits 0.
class FakeCodexScript {
public:
    enum class Fill { raw, notificationLines };

    // The usual one-shot answer: optional delay, stdout, stderr, exit status.
    static FakeCodexScript answer(const QByteArray& standardOutput, int exitStatus = 0,
                                  const QByteArray& standardError = {}, int delayMs = 0);
    // A handshake answered like the real app-server, then the two usage reads answered with
    // these results; an absent usage result answers id 3 with an error instead.
    static FakeCodexScript usageExchange(const QJsonValue& rateLimitsResult,
                                         const std::optional<QJsonValue>& usageResult);

    // Waits for a request with `method` ("*" is any request with an id); the answer gets the
    // request's id. Other lines are skipped. When input closes while waiting, the fake exits 0.
    FakeCodexScript& expect(const QString& method) { return add({{u"expect"_qs, method}}); }
    FakeCodexScript& respond(const QString& method, const QJsonObject& answer)
    {
        return add({{u"expect"_qs, method}, {u"respond"_qs, answer}});
    }
    FakeCodexScript& respondResult(const QString& method, const QJsonValue& result)
    {
        return respond(method, {{u"result"_qs, result}});
    }
    FakeCodexScript& respondError(const QString& method, int code, const QString& message = {});

    FakeCodexScript& writeLine(const QJsonObject& message) { return add({{u"emit"_qs, message}}); }
    // Exact text, no line feed added (partial lines, malformed lines, several lines at once).
    FakeCodexScript& writeRaw(const QString& text) { return add({{u"emitRaw"_qs, text}}); }
    FakeCodexScript& writeStderr(const QString& text) { return add({{u"stderr"_qs, text}}); }
    // Exactly `bytes` bytes of filler on stdout; a negative count writes until stdout closes.
    // Raw filler holds no line feed; notification lines are valid JSON without an id.
    FakeCodexScript& fill(qint64 bytes, Fill style = Fill::raw)
    {
        return add({{u"fill"_qs, bytes}, {u"style"_qs, style == Fill::raw ? u"raw"_qs : u"lines"_qs}});
    }
    FakeCodexScript& sleep(int milliseconds) { return add({{u"sleepMs"_qs, milliseconds}}); }
    FakeCodexScript& closeStdin() { return add({{u"closeStdin"_qs, true}}); }
    FakeCodexScript& closeStdout() { return add({{u"closeStdout"_qs, true}}); }
    // A child of the fake that keeps stdin, stdout and stderr open for `holdMs`.
    FakeCodexScript& spawnGrandchild(int holdMs)
    {
        return add({{u"grandchild"_qs, QJsonObject{{u"holdMs"_qs, holdMs}}}});
    }
    FakeCodexScript& exitWith(int status) { return add({{u"exit"_qs, status}}); }
    FakeCodexScript& raiseSignal(int signalNumber) { return add({{u"raise"_qs, signalNumber}}); }
    // SIGTERM is logged and otherwise ignored (by the fake and its grandchildren).
    FakeCodexScript& ignoreSigterm(bool ignore = true)
    {
        m_ignoreSigterm = ignore;
        return *this;
    }

    QJsonObject toJson() const { return {{u"ignoreSigterm"_qs, m_ignoreSigterm}, {u"steps"_qs, m_steps}}; }

private:
    FakeCodexScript& add(const QJsonObject& step)
    {
        m_steps.append(step);
        return *this;
    }

    QJsonArray m_steps;
    bool m_ignoreSigterm = false;
};

} // namespace tallyvane::testing
