#include "FakeProvider.h"

#include <QCoroSignal>
#include <QCoroTimer>

namespace tallyvane::testing {

FakeProvider::FakeProvider(ProviderDescriptor descriptor, QObject* parent)
    : QObject(parent)
    , m_descriptor(std::move(descriptor))
{
    m_collection.provider = m_descriptor;
}

std::shared_ptr<FakeProvider> FakeProvider::create(const QString& id)
{
    return std::make_shared<FakeProvider>(ProviderDescriptor{id, id, std::nullopt});
}

QCoro::Task<ProviderProbeResult> FakeProvider::probe()
{
    ++m_probeCount;
    co_return ProviderProbeResult{.provider = m_descriptor, .availability = ProviderAvailability::available};
}

QCoro::Task<ProviderCollectionResult> FakeProvider::collect(UsageCollectionRequest request)
{
    m_requests.append(request);
    ++m_pending;
    Q_EMIT collectStarted(m_descriptor.id);

    // The answer is the one scripted when the call started, like a real provider's snapshot.
    ProviderCollectionResult answer = m_collection;
    answer.collectedAt = request.observedAt;
    if (m_held)
        co_await qCoro(this, &FakeProvider::releaseRequested);
    else if (m_answerDelay.count() > 0)
        co_await QCoro::sleepFor(m_answerDelay);

    --m_pending;
    Q_EMIT collectAnswered(m_descriptor.id);
    co_return answer;
}

void FakeProvider::setCollection(ProviderCollectionResult collection)
{
    m_collection = std::move(collection);
    m_collection.provider = m_descriptor;
}

void FakeProvider::answerWithDiagnostics(const QList<ProviderDiagnostic>& diagnostics)
{
    setCollection({.diagnostics = diagnostics});
}

void FakeProvider::answerWithWindowAnd(const QList<ProviderDiagnostic>& diagnostics)
{
    setCollection({.windows = {UsageWindowSample{.id = m_descriptor.id + QStringLiteral(".window"),
                                                 .windowKind = UsageWindowKind::fiveHour,
                                                 .usedFraction = Decimal::fromString(QStringLiteral("0.5"))}},
                   .diagnostics = diagnostics});
}

void FakeProvider::release()
{
    m_held = false;
    Q_EMIT releaseRequested();
}

ProviderDiagnostic FakeProvider::diagnostic(DiagnosticSeverity severity, const QString& code)
{
    return {severity, code, QStringLiteral("Scripted by the test.")};
}

} // namespace tallyvane::testing
