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
    FakeCodexScript& expect(const QString& method);
    FakeCodexScript& respond(const QString& method, const QJsonObject& answer);
    FakeCodexScript& respondResult(const QString& method, const QJsonValue& result);
    FakeCodexScript& respondError(const QString& method, int code, const QString& message = {});
    FakeCodexScript& respondToEveryRequest(const QJsonObject& answer);

    FakeCodexScript& writeLine(const QJsonObject& message);
    // Exact text, no line feed added (partial lines, malformed lines, several lines at once).
    FakeCodexScript& writeRaw(const QString& text);
    FakeCodexScript& writeStderr(const QString& text);
    // Exactly `bytes` bytes of filler on stdout; a negative count writes until stdout closes.
    // Raw filler holds no line feed; notification lines are valid JSON without an id.
    FakeCodexScript& fill(qint64 bytes, Fill style = Fill::raw);
    FakeCodexScript& sleep(int milliseconds);
    FakeCodexScript& closeStdin();
    FakeCodexScript& closeStdout();
    // A child of the fake that keeps stdin, stdout and stderr open for `holdMs`.
    FakeCodexScript& spawnGrandchild(int holdMs);
    FakeCodexScript& exitWith(int status);
    FakeCodexScript& raiseSignal(int signalNumber);
    // SIGTERM is logged and otherwise ignored (by the fake and its grandchildren).
    FakeCodexScript& ignoreSigterm(bool ignore = true);

    QJsonObject toJson() const;

private:
    FakeCodexScript& add(const QJsonObject& step);

    QJsonArray m_steps;
    bool m_ignoreSigterm = false;
};

} // namespace tallyvane::testing
