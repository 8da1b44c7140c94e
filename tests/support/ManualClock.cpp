#include "ManualClock.h"

namespace tallyvane::testing {

ManualClock::ManualClock(Instant start)
    : m_now(std::make_shared<Instant>(start))
{
}

std::function<Instant()> ManualClock::function() const
{
    return [now = m_now] { return *now; };
}

} // namespace tallyvane::testing
