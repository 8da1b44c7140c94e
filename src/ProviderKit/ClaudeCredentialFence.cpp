#include "ClaudeCredentialFence.h"

#include <QCoroSignal>

namespace tallyvane {

QCoro::Task<> ClaudeCredentialFence::writesSettled()
{
    while (m_writes > 0)
        co_await qCoro(this, &ClaudeCredentialFence::writeEnded);
}

bool ClaudeCredentialFence::beginWrite(std::uint64_t notedGeneration)
{
    if (notedGeneration != m_generation)
        return false;
    ++m_writes;
    return true;
}

void ClaudeCredentialFence::endWrite()
{
    --m_writes;
    Q_EMIT writeEnded();
}

} // namespace tallyvane
