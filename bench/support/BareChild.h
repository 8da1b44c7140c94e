#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace tallyvane::bench {

// A child started with posix_spawn, its stdin and stdout on pipes and its stderr on /dev/null,
// driven by plain blocking calls: the least a caller can do to talk to a program, which is what
// the benchmarks compare against.
class BareChild {
public:
    static std::optional<BareChild> spawn(const QString& executable, const QList<QByteArray>& arguments,
                                          const QMap<QString, QString>& environment);
    // Everything the program may need, as this process has it.
    static QMap<QString, QString> inheritedEnvironment();

    BareChild(BareChild&& other) noexcept;
    BareChild& operator=(BareChild&&) = delete;
    ~BareChild();

    int output() const { return m_output; }
    bool write(QByteArrayView bytes);
    // Closes stdin, reads stdout to its end and reaps: the exit status, or -1 after a signal.
    int finish(QByteArray* standardOutput = nullptr);
    // Closes both pipes, asks the child to stop and reaps it.
    void terminate();

private:
    BareChild() = default;
    void closePipes();
    int reap();

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
};

} // namespace tallyvane::bench
