#include "SharedCredentialReads.h"

#include <QCoroFuture>
#include <QPromise>

namespace tallyvane {

SharedCredentialReads::SharedCredentialReads(std::shared_ptr<ClaudeCredentialStoring> store,
                                             std::function<Instant()> clock)
    : m_store(std::move(store))
    , m_clock(clock ? std::move(clock) : std::function<Instant()>(&Instant::now))
{
}

QCoro::Task<SharedCredentialReads::Loaded> SharedCredentialReads::load()
{
    if (m_known) {
        const double age = m_clock().secondsSince(m_known->readAt);
        if (age >= 0 && age < reuseSeconds) {
            // A copy: QCoro 0.8 moves from an lvalue co_returned as another type.
            Loaded known = m_known->credential;
            co_return known;
        }
    }
    if (m_reading) {
        const QFuture<Loaded> joined = *m_reading;
        co_return co_await joined;
    }
    auto promise = std::make_shared<QPromise<Loaded>>();
    promise->start();
    const QFuture<Loaded> reading = promise->future();
    m_reading = reading;
    // May finish before it returns, and then no longer be the read under way.
    readThrough(promise, m_writes);
    co_return co_await reading;
}

QCoro::Task<> SharedCredentialReads::readThrough(std::shared_ptr<QPromise<Loaded>> promise,
                                                 std::uint64_t writes)
{
    const auto self = shared_from_this();
    auto loading = self->m_store->load();
    const Loaded loaded = co_await loading;
    // A write since the read began makes its answer old news: neither join it nor keep it.
    if (self->m_writes == writes) {
        self->m_reading.reset();
        if (loaded)
            self->remember(*loaded);
    }
    promise->addResult(loaded);
    promise->finish();
}

QCoro::Task<std::expected<void, ClaudeOAuthError>>
SharedCredentialReads::save(ClaudeOAuthCredential credential)
{
    const auto self = shared_from_this();
    const std::uint64_t write = beginWrite();
    auto writing = self->m_store->save(credential);
    const std::expected<void, ClaudeOAuthError> saved = co_await writing;
    self->endWrite(write, saved.has_value(), std::move(credential));
    co_return saved;
}

QCoro::Task<std::expected<void, ClaudeOAuthError>> SharedCredentialReads::remove()
{
    const auto self = shared_from_this();
    const std::uint64_t write = beginWrite();
    auto writing = self->m_store->remove();
    const std::expected<void, ClaudeOAuthError> removed = co_await writing;
    self->endWrite(write, removed.has_value(), std::nullopt);
    co_return removed;
}

std::uint64_t SharedCredentialReads::beginWrite()
{
    m_reading.reset();
    m_known.reset();
    return ++m_writes;
}

void SharedCredentialReads::endWrite(std::uint64_t write, bool succeeded,
                                     std::optional<ClaudeOAuthCredential> written)
{
    // Only the last write decides what is stored; a failed one leaves it unknown.
    if (succeeded && m_writes == write)
        remember(std::move(written));
}

void SharedCredentialReads::remember(std::optional<ClaudeOAuthCredential> credential)
{
    m_known = Known{std::move(credential), m_clock()};
}

} // namespace tallyvane
