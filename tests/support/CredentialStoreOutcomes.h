#pragma once

#include <ProviderKit/ClaudeCredentialStore.h>

#include <QElapsedTimer>
#include <QStringList>

#include <chrono>

namespace tallyvane::testing {

// Runs load, save and remove on the store and names how each ended, as "load=ok save=... remove=...";
// an operation that outlives the store's deadline by more than a little is "hung".
inline QString credentialStoreOutcomes(ClaudeCredentialStore& store)
{
    constexpr std::chrono::milliseconds slack{1500};
    QStringList outcomes;
    const auto run = [&](const char* name, auto task) {
        QElapsedTimer elapsed;
        elapsed.start();
        const auto result = QCoro::waitFor(std::move(task));
        const QString outcome = elapsed.elapsed() > (store.deadline + slack).count() ? QStringLiteral("hung")
                                : result                                             ? QStringLiteral("ok")
                                         : caseName(result.error());
        outcomes.append(QString::fromLatin1(name) + u'=' + outcome);
    };
    run("load", store.load());
    run("save", store.save({.accessToken = QStringLiteral("a2"), .refreshToken = QStringLiteral("r2")}));
    run("remove", store.remove());
    return outcomes.join(u' ');
}

} // namespace tallyvane::testing
