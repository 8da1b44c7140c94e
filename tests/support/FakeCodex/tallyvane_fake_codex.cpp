// A scriptable stand-in for the `codex` command-line tool.
//
// The application starts `codex` with a sanitised environment (HOME, PATH, TMPDIR and the
// locale variables only), so nothing in the environment can point at a script. Instead the
// fake reads `<its own path>.scenario.json` and appends what happened to `<its own path>.log`.
// Its own path comes from /proc/self/exe, which resolves symlinks, so tests COPY this binary
// into a scratch directory as `codex` (FakeCodexScenario does that) rather than link it.
//
// Everything is plain blocking I/O on descriptors 0, 1 and 2: the fake must behave like a
// simple child process, not like an event-driven one, and must write exactly the bytes the
// scenario names, in the order it names them.

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int exitScenarioError = 70;
constexpr int exitUnknownArguments = 64;
constexpr int exitStdoutClosed = 141; // what a shell reports for a SIGPIPE death

// Touched by the SIGTERM handler, so plain globals with preformatted bytes.
int logDescriptor = -1;
bool ignoreSigterm = false;
char sigtermRecord[96];
int sigtermRecordLength = 0;

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype size = bytes.size();
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// One JSON object per line, one write() per record: O_APPEND keeps records from parallel
// invocations (the probe runs two at once) whole.
void logEvent(QJsonObject record)
{
    if (logDescriptor < 0)
        return;
    record.insert(u"pid"_s, static_cast<qint64>(::getpid()));
    writeAll(logDescriptor, QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
}

[[noreturn]] void exitWith(int status)
{
    logEvent({{u"event"_s, u"exit"_s}, {u"status"_s, status}});
    ::_exit(status);
}

[[noreturn]] void scenarioError(const QString& message)
{
    logEvent({{u"event"_s, u"scenarioError"_s}, {u"message"_s, message}});
    writeAll(STDERR_FILENO, "tallyvane-fake-codex: " + message.toUtf8() + '\n');
    exitWith(exitScenarioError);
}

void writeStdout(const QByteArray& bytes)
{
    if (!writeAll(STDOUT_FILENO, bytes)) {
        logEvent({{u"event"_s, u"stdoutClosed"_s}});
        exitWith(exitStdoutClosed);
    }
}

void onSigterm(int)
{
    const int savedErrno = errno;
    if (logDescriptor >= 0) [[maybe_unused]]
        const ssize_t ignored =
            ::write(logDescriptor, sigtermRecord, static_cast<size_t>(sigtermRecordLength));
    if (!ignoreSigterm) {
        ::signal(SIGTERM, SIG_DFL);
        ::raise(SIGTERM);
    }
    errno = savedErrno;
}

// SA_RESTART keeps blocking reads going when SIGTERM is ignored; sleeps resume by hand.
void installSigtermHandler()
{
    sigtermRecordLength = std::snprintf(sigtermRecord, sizeof sigtermRecord,
                                        "{\"event\":\"sigterm\",\"pid\":%d}\n", static_cast<int>(::getpid()));
    struct sigaction action = {};
    action.sa_handler = onSigterm;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
}

void sleepMilliseconds(qint64 milliseconds)
{
    if (milliseconds <= 0)
        return;
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

QString ownPath()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? QString::fromLocal8Bit(buffer, length) : QString();
}

// Line reader over fd 0; every line is logged so tests can check what the application sent.
class StdinLines {
public:
    std::optional<QByteArray> next()
    {
        while (true) {
            const qsizetype newline = m_pending.indexOf('\n');
            if (newline >= 0) {
                QByteArray line = m_pending.left(newline);
                m_pending.remove(0, newline + 1);
                logEvent({{u"event"_s, u"stdin"_s}, {u"line"_s, QString::fromUtf8(line)}});
                return line;
            }
            if (m_closed)
                return std::nullopt;
            char chunk[8192];
            const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                m_closed = true;
                if (!m_pending.isEmpty())
                    logEvent({{u"event"_s, u"stdin"_s},
                              {u"line"_s, QString::fromUtf8(m_pending)},
                              {u"partial"_s, true}});
                logEvent({{u"event"_s, u"stdinClosed"_s}});
                return std::nullopt;
            }
            m_pending.append(chunk, count);
        }
    }

private:
    QByteArray m_pending;
    bool m_closed = false;
};

// The filler used to push output past a byte cap. Raw filler has no line feed at all;
// "lines" filler is valid notifications (no id) padded with empty lines to the exact count.
void writeFill(qint64 count, const QString& style)
{
    const bool endless = count < 0;
    if (style == u"raw") {
        const QByteArray block(65536, 'x');
        while (endless || count > 0) {
            const qint64 size = endless ? block.size() : qMin<qint64>(count, block.size());
            writeStdout(block.left(size));
            count -= size;
        }
        return;
    }
    const QByteArray head = R"({"method":"fill","params":")";
    const QByteArray tail = "\"}\n";
    const qint64 lineSize = 4096;
    const auto line = [&](qint64 size) -> QByteArray {
        return head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
    };
    while (endless || count >= lineSize) {
        writeStdout(line(lineSize));
        count -= lineSize;
    }
    if (count >= head.size() + tail.size())
        writeStdout(line(count));
    else if (count > 0)
        writeStdout(QByteArray(count, '\n'));
}

void spawnGrandchild(qint64 holdMilliseconds)
{
    const pid_t child = ::fork();
    if (child == 0) {
        installSigtermHandler(); // so its own pid is logged
        // Keeps the inherited stdout (and stdin, stderr) open after the fake itself exits,
        // stays in the same process group, and goes away on its own afterwards.
        sleepMilliseconds(holdMilliseconds);
        ::_exit(0);
    }
    logEvent({{u"event"_s, u"grandchild"_s}, {u"grandchildPid"_s, static_cast<qint64>(child)}});
}

// Each step has exactly one of these keys, plus the listed options.
struct StepKind {
    QString key;
    QJsonValue::Type type;
    QStringList options;
};

const QList<StepKind>& stepKinds()
{
    static const QList<StepKind> kinds = {
        {u"expect"_s, QJsonValue::String, {u"respond"_s, u"repeat"_s}},
        {u"emit"_s, QJsonValue::Object, {}},
        {u"emitRaw"_s, QJsonValue::String, {}},
        {u"stderr"_s, QJsonValue::String, {}},
        {u"fill"_s, QJsonValue::Double, {u"style"_s}},
        {u"sleepMs"_s, QJsonValue::Double, {}},
        {u"closeStdin"_s, QJsonValue::Bool, {}},
        {u"closeStdout"_s, QJsonValue::Bool, {}},
        {u"grandchild"_s, QJsonValue::Object, {}},
        {u"exit"_s, QJsonValue::Double, {}},
        {u"raise"_s, QJsonValue::Double, {}},
    };
    return kinds;
}

QString stepKind(const QJsonObject& step)
{
    for (const StepKind& kind : stepKinds()) {
        if (step.contains(kind.key))
            return kind.key;
    }
    return {};
}

bool requestMatches(const QJsonObject& request, const QString& method)
{
    if (method == u"*")
        return request.contains(u"id"_s) && request.value(u"method"_s).isString();
    return request.value(u"method"_s).toString() == method;
}

// Waits for a request with the given method, skipping every other line; answers it when
// the step has "respond", copying the request's id. End of input ends the program with
// status 0, as the real app-server does when its input closes.
void runExpect(const QJsonObject& step, StdinLines& input)
{
    const QString method = step.value(u"expect"_s).toString();
    const bool repeat = step.value(u"repeat"_s).toBool();
    do {
        while (true) {
            const std::optional<QByteArray> line = input.next();
            if (!line)
                exitWith(0);
            const QJsonDocument document = QJsonDocument::fromJson(*line);
            if (!document.isObject() || !requestMatches(document.object(), method))
                continue;
            if (step.contains(u"respond"_s)) {
                QJsonObject answer = step.value(u"respond"_s).toObject();
                if (document.object().contains(u"id"_s))
                    answer.insert(u"id"_s, document.object().value(u"id"_s));
                writeStdout(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
            }
            break;
        }
    } while (repeat);
}

void runStep(const QJsonObject& step, StdinLines& input)
{
    const QString kind = stepKind(step);
    if (kind == u"expect") {
        runExpect(step, input);
    } else if (kind == u"emit") {
        writeStdout(QJsonDocument(step.value(kind).toObject()).toJson(QJsonDocument::Compact) + '\n');
    } else if (kind == u"emitRaw") {
        writeStdout(step.value(kind).toString().toUtf8());
    } else if (kind == u"stderr") {
        writeAll(STDERR_FILENO, step.value(kind).toString().toUtf8());
    } else if (kind == u"fill") {
        writeFill(step.value(kind).toInteger(), step.value(u"style"_s).toString(u"raw"_s));
    } else if (kind == u"sleepMs") {
        sleepMilliseconds(step.value(kind).toInteger());
    } else if (kind == u"closeStdin") {
        ::close(STDIN_FILENO);
        logEvent({{u"event"_s, u"closedStdin"_s}});
    } else if (kind == u"closeStdout") {
        ::close(STDOUT_FILENO);
        logEvent({{u"event"_s, u"closedStdout"_s}});
    } else if (kind == u"grandchild") {
        spawnGrandchild(step.value(kind).toObject().value(u"holdMs"_s).toInteger(30000));
    } else if (kind == u"exit") {
        exitWith(step.value(kind).toInt());
    } else if (kind == u"raise") {
        const int number = step.value(kind).toInt();
        logEvent({{u"event"_s, u"raise"_s}, {u"signal"_s, number}});
        ::signal(number, SIG_DFL);
        ::raise(number);
    }
}

// Rejects what a test did not mean: an unknown key or a value of the wrong type would
// otherwise silently turn into a different scenario.
void validateStep(const QJsonValue& value, qsizetype index)
{
    const QString where = u"step %1: "_s.arg(index);
    if (!value.isObject())
        scenarioError(where + u"not an object"_s);
    const QJsonObject step = value.toObject();
    for (const StepKind& kind : stepKinds()) {
        if (!step.contains(kind.key))
            continue;
        if (step.value(kind.key).type() != kind.type)
            scenarioError(where + u"\"%1\" has the wrong type"_s.arg(kind.key));
        for (const QString& key : step.keys()) {
            if (key != kind.key && !kind.options.contains(key))
                scenarioError(where + u"unexpected key \"%1\" beside \"%2\""_s.arg(key, kind.key));
        }
        if (step.contains(u"respond"_s) && !step.value(u"respond"_s).isObject())
            scenarioError(where + u"\"respond\" must be an object"_s);
        if (step.contains(u"style"_s) && step.value(u"style"_s) != u"raw"_s &&
            step.value(u"style"_s) != u"lines"_s)
            scenarioError(where + u"\"style\" must be \"raw\" or \"lines\""_s);
        return;
    }
    scenarioError(where + u"no known step kind"_s);
}

// One-shot shorthand: delay, stdout text, filler, stderr text, exit status.
QJsonArray oneShotSteps(const QJsonObject& section)
{
    static const QStringList known = {u"stdout"_s,  u"stderr"_s,          u"exitStatus"_s,
                                      u"delayMs"_s, u"stdoutFillBytes"_s, u"ignoreSigterm"_s};
    for (const QString& key : section.keys()) {
        if (!known.contains(key))
            scenarioError(u"unexpected key \"%1\""_s.arg(key));
    }
    QJsonArray steps;
    if (section.value(u"delayMs"_s).toInteger() > 0)
        steps.append(QJsonObject{{u"sleepMs"_s, section.value(u"delayMs"_s)}});
    if (section.contains(u"stdout"_s))
        steps.append(QJsonObject{{u"emitRaw"_s, section.value(u"stdout"_s).toString()}});
    if (section.value(u"stdoutFillBytes"_s).toInteger() != 0)
        steps.append(QJsonObject{{u"fill"_s, section.value(u"stdoutFillBytes"_s)}});
    if (section.contains(u"stderr"_s))
        steps.append(QJsonObject{{u"stderr"_s, section.value(u"stderr"_s).toString()}});
    steps.append(QJsonObject{{u"exit"_s, section.value(u"exitStatus"_s).toInt(0)}});
    return steps;
}

// What the real CLI (0.171.0, no account signed in) answers when a section is not scripted.
QJsonObject defaultSection(const QString& command)
{
    QByteArray sections =
        R"j({"version": {"stdout": "codex-cli 0.171.0\n"},)j"
        R"j("appServerHelp": {"stdout": "[experimental] Run the app server or related tooling\n\n)j"
        R"j(Usage: codex app-server [OPTIONS] [COMMAND]\n\nOptions:\n      --stdio\n)j"
        R"j(          Use stdio as the transport\n"},)j"
        R"j("loginStatus": {"stderr": "Not logged in\n", "exitStatus": 1},)j"
        R"j("appServer": {"steps": [{"expect": "initialize", "respond": {"result": {)j"
        R"j("userAgent": "tallyvane/0.171.0 (Debian 12.0.0; x86_64) unknown (tallyvane; 0.1.0)",)j"
        R"j("codexHome": HOME, "platformFamily": "unix", "platformOs": "linux"}}},)j"
        R"j({"emit": {"method": "remoteControl/status/changed", "params": {"status": "disabled"}}},)j"
        R"j({"expect": "*", "repeat": true, "respond": {"error": {"code": -32600,)j"
        R"j("message": "codex account authentication required"}}}]}})j";
    // The CLI's folder under HOME as a JSON string, quotes and all.
    const QString home = qEnvironmentVariable("HOME") + u"/.codex"_s;
    sections.replace("HOME",
                     QJsonDocument(QJsonArray{home}).toJson(QJsonDocument::Compact).mid(1).chopped(1));
    return QJsonDocument::fromJson(sections).object().value(command).toObject();
}

QString commandFor(const QStringList& arguments)
{
    if (arguments == QStringList{u"--version"_s})
        return u"version"_s;
    if (arguments == QStringList{u"app-server"_s, u"--help"_s})
        return u"appServerHelp"_s;
    if (arguments == QStringList{u"login"_s, u"status"_s})
        return u"loginStatus"_s;
    if (arguments == QStringList{u"app-server"_s} || arguments == QStringList{u"app-server"_s, u"--stdio"_s})
        return u"appServer"_s;
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // Our own writes to a closed stdout must end in a logged exit, not a silent death.
    ::signal(SIGPIPE, SIG_IGN);
    installSigtermHandler();

    const QString self = ownPath();
    const QByteArray logPath = QFile::encodeName(self + u".log"_s);
    logDescriptor = ::open(logPath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);

    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    logEvent({{u"event"_s, u"start"_s}, {u"argv"_s, QJsonArray::fromStringList(arguments)}});

    QFile scenarioFile(self + u".scenario.json"_s);
    if (!scenarioFile.open(QIODevice::ReadOnly))
        scenarioError(
            u"no scenario at %1 (copy the binary, do not symlink it)"_s.arg(scenarioFile.fileName()));
    QJsonParseError parseError;
    const QJsonDocument scenario = QJsonDocument::fromJson(scenarioFile.readAll(), &parseError);
    scenarioFile.close();
    if (!scenario.isObject())
        scenarioError(u"scenario is not a JSON object: %1"_s.arg(parseError.errorString()));

    const QString command = commandFor(arguments);
    if (command.isEmpty()) {
        writeAll(STDERR_FILENO, "tallyvane-fake-codex: unexpected arguments\n");
        exitWith(exitUnknownArguments);
    }
    const QJsonValue scripted = scenario.object().value(command);
    if (!scripted.isUndefined() && !scripted.isObject())
        scenarioError(u"\"%1\" must be an object"_s.arg(command));
    const QJsonObject section = scripted.isObject() ? scripted.toObject() : defaultSection(command);

    ignoreSigterm = section.value(u"ignoreSigterm"_s).toBool();
    QJsonArray steps;
    if (section.contains(u"steps"_s)) {
        for (const QString& key : section.keys()) {
            if (key != u"steps" && key != u"ignoreSigterm")
                scenarioError(u"\"%1\" cannot be combined with \"steps\""_s.arg(key));
        }
        if (!section.value(u"steps"_s).isArray())
            scenarioError(u"\"steps\" must be an array"_s);
        steps = section.value(u"steps"_s).toArray();
    } else {
        steps = oneShotSteps(section);
    }
    for (qsizetype index = 0; index < steps.size(); ++index)
        validateStep(steps.at(index), index);

    StdinLines input;
    for (const QJsonValue& step : std::as_const(steps))
        runStep(step.toObject(), input);

    // Like the real app-server, stay until the input closes.
    if (command == u"appServer") {
        while (input.next()) {
        }
    }
    exitWith(0);
}
