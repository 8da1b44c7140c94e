#pragma once

#include "InMemoryCredentialStore.h"

#include <ProviderKit/ClaudeCredentialStoring.h>

#include <QCoroSignal>
#include <QCoroTimer>
#include <QObject>

#include <chrono>
#include <memory>

namespace tallyvane::testing {

// An in-memory store that behaves like a slow keyring: reads are counted and can be held until
// released, and a save can take a while.
class SlowCredentialStore final : public QObject, public ClaudeCredentialStoring {
    Q_OBJECT
public:
    explicit SlowCredentialStore(
        std::shared_ptr<InMemoryCredentialStore> memory = std::make_shared<InMemoryCredentialStore>())
        : memory(std::move(memory))
    {
    }

    QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>> load() override
    {
        ++reads;
        if (held)
            co_await qCoro(this, &SlowCredentialStore::released);
        auto loading = memory->load();
        co_return co_await loading;
    }
    QCoro::Task<std::expected<void, ClaudeOAuthError>> save(ClaudeOAuthCredential credential) override
    {
        ++savesBegun;
        if (saveDelay.count() > 0)
            co_await QCoro::sleepFor(saveDelay);
        auto saving = memory->save(std::move(credential));
        co_return co_await saving;
    }
    QCoro::Task<std::expected<void, ClaudeOAuthError>> remove() override { return memory->remove(); }

    void release()
    {
        held = false;
        Q_EMIT released();
    }

    const std::shared_ptr<InMemoryCredentialStore> memory;
    int reads = 0;
    int savesBegun = 0;
    bool held = false;
    std::chrono::milliseconds saveDelay{0};

Q_SIGNALS:
    void released();
};

} // namespace tallyvane::testing
