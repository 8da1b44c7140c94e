#pragma once

#include <UsageDomain/Instant.h>

#include <functional>
#include <memory>

namespace tallyvane::testing {

// A clock the test moves by hand; copies of now() share the same time.
class ManualClock {
public:
    explicit ManualClock(Instant start = Instant::fromSecondsSince1970(1'780'000'000.0))
        : m_now(std::make_shared<Instant>(start))
    {
    }

    Instant current() const { return *m_now; }
    void advance(double seconds) { *m_now = m_now->addingSeconds(seconds); }
    std::function<Instant()> function() const
    {
        return [now = m_now] { return *now; };
    }

private:
    std::shared_ptr<Instant> m_now;
};

} // namespace tallyvane::testing
