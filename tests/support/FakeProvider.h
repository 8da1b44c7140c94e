#pragma once

#include <UsageDomain/TallyvaneProvider.h>

#include <QList>
#include <QObject>

#include <chrono>
#include <memory>

namespace tallyvane::testing {

// A provider the test scripts: what it answers, and when. A held provider keeps every
// collection waiting until release(); otherwise each answers after answerDelay (zero answers
// without suspending). Signals report when collections start and answer, so tests can tell
// whether calls overlapped.
class FakeProvider : public QObject, public TallyvaneProvider {
    Q_OBJECT
public:
    explicit FakeProvider(ProviderDescriptor descriptor, QObject* parent = nullptr);
    static std::shared_ptr<FakeProvider> create(const QString& id);

    ProviderDescriptor descriptor() const override { return m_descriptor; }
    QCoro::Task<ProviderProbeResult> probe() override;
    QCoro::Task<ProviderCollectionResult> collect(UsageCollectionRequest request) override;

    // The answer to every later collection; its provider field is replaced by the descriptor.
    void setCollection(ProviderCollectionResult collection);
    // Shorthands: an answer holding just these diagnostics, or one window plus them.
    void answerWithDiagnostics(const QList<ProviderDiagnostic>& diagnostics);
    void answerWithWindowAnd(const QList<ProviderDiagnostic>& diagnostics);

    void hold() { m_held = true; }
    // Lets every waiting collection answer (on the next turn of the event loop) and stops holding.
    void release();
    void setAnswerDelay(std::chrono::milliseconds delay) { m_answerDelay = delay; }

    const QList<UsageCollectionRequest>& requests() const { return m_requests; }
    int collectCount() const { return static_cast<int>(m_requests.size()); }
    int pendingCount() const { return m_pending; }
    int probeCount() const { return m_probeCount; }

    static ProviderDiagnostic diagnostic(DiagnosticSeverity severity, const QString& code);

Q_SIGNALS:
    void collectStarted(const QString& providerID);
    void collectAnswered(const QString& providerID);
    void releaseRequested();

private:
    ProviderDescriptor m_descriptor;
    ProviderCollectionResult m_collection;
    QList<UsageCollectionRequest> m_requests;
    std::chrono::milliseconds m_answerDelay{0};
    bool m_held = false;
    int m_pending = 0;
    int m_probeCount = 0;
};

} // namespace tallyvane::testing
