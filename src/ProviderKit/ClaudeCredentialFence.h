#pragma once

#include <QCoroTask>
#include <QObject>

#include <cstdint>

namespace tallyvane {

// Keeps a sign-out from being undone by a token refresh. Every session on one credential item
// shares one fence: a refresh notes the generation before it loads and may save only while it
// is unchanged; a sign-out moves the generation first and then waits for the saves already
// under way, so once it deletes, nothing can write the credential back. Main thread only.
class ClaudeCredentialFence : public QObject {
    Q_OBJECT
public:
    std::uint64_t generation() const { return m_generation; }

    // From now on, saves of refreshes begun earlier are refused.
    void beginSignOut() { ++m_generation; }
    // Resumes once no save is under way.
    QCoro::Task<> writesSettled();

    // A refresh's save may start only when the generation is still the one it noted; the
    // caller then ends it with endWrite.
    bool beginWrite(std::uint64_t notedGeneration);
    void endWrite();

Q_SIGNALS:
    void writeEnded();

private:
    std::uint64_t m_generation = 0;
    int m_writes = 0;
};

} // namespace tallyvane
