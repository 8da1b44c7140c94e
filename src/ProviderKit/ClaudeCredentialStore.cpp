#include "ClaudeCredentialStore.h"

#include "LockedSecretItem.h"

#include <QCoroSignal>
#include <QJsonDocument>
#include <QJsonObject>

#include <qt6keychain/keychain.h>

#include <cmath>
#include <concepts>
#include <memory>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Failure = std::unexpected<ClaudeOAuthError>;

const Failure storageFailed{ClaudeOAuthError::credentialStorageFailed};

template <std::derived_from<QKeychain::Job> J> std::unique_ptr<J> makeJob(const ClaudeCredentialStore& store)
{
    auto job = std::make_unique<J>(store.service);
    job->setKey(store.account);
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    return job;
}

// Runs the job to its end; nullopt when it missed the deadline. A late job cannot be deleted
// here: the keyring's callback still points at it, so it is left to delete itself on finishing.
template <std::derived_from<QKeychain::Job> J>
QCoro::Task<std::optional<QKeychain::Error>> finish(std::unique_ptr<J>& job,
                                                    std::chrono::milliseconds deadline)
{
    auto finished = qCoro(job.get(), &QKeychain::Job::finished, deadline);
    job->start();
    if (!co_await std::move(finished)) {
        job->setAutoDelete(true);
        std::ignore = job.release();
        co_return std::nullopt;
    }
    co_return job->error();
}

} // namespace

QString ClaudeCredentialStore::applicationService()
{
    return u"app.tallyvane.claude.oauth"_s;
}

QString ClaudeCredentialStore::applicationAccount()
{
    return u"primary"_s;
}

ClaudeCredentialStore::ClaudeCredentialStore()
    : ClaudeCredentialStore(applicationService(), applicationAccount())
{
}

ClaudeCredentialStore::ClaudeCredentialStore(QString service, QString account,
                                             std::chrono::milliseconds deadline)
    : service(std::move(service))
    , account(std::move(account))
    , deadline(deadline)
{
}

QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>>
ClaudeCredentialStore::load()
{
    auto job = makeJob<QKeychain::ReadPasswordJob>(*this);
    const std::optional<QKeychain::Error> error = co_await finish(job, deadline);
    if (error == QKeychain::EntryNotFound) {
        QCoro::Task<bool> locked = LockedSecretItem::exists(service, account, deadline);
        if (co_await locked)
            co_return storageFailed;
        co_return std::nullopt;
    }
    if (error != QKeychain::NoError)
        co_return storageFailed;
    auto credential = fromJsonBytes<ClaudeOAuthCredential>(job->binaryData());
    if (!credential)
        co_return storageFailed;
    co_return std::move(*credential);
}

QCoro::Task<std::expected<void, ClaudeOAuthError>>
ClaudeCredentialStore::save(ClaudeOAuthCredential credential)
{
    // JSON has no spelling for these; written anyway they would come back unreadable.
    if (!std::isfinite(credential.expiresAt.secondsSince1970()))
        co_return storageFailed;
    auto job = makeJob<QKeychain::WritePasswordJob>(*this);
    job->setBinaryData(QJsonDocument(toJson(credential).toObject()).toJson(QJsonDocument::Compact));
    if (co_await finish(job, deadline) != QKeychain::NoError)
        co_return storageFailed;
    co_return {};
}

QCoro::Task<std::expected<void, ClaudeOAuthError>> ClaudeCredentialStore::remove()
{
    auto job = makeJob<QKeychain::DeletePasswordJob>(*this);
    const std::optional<QKeychain::Error> error = co_await finish(job, deadline);
    if (error != QKeychain::NoError && error != QKeychain::EntryNotFound)
        co_return storageFailed;
    QCoro::Task<bool> locked = LockedSecretItem::exists(service, account, deadline);
    if (co_await locked)
        co_return storageFailed;
    co_return {};
}

} // namespace tallyvane
