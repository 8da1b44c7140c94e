#pragma once

#include <UsageDomain/Instant.h>
#include <UsageDomain/JsonValue.h>
#include <UsageDomain/ProviderCollectionResult.h>

#include <QByteArray>
#include <QUuid>

namespace tallyvane {

// Turns the body of a Claude usage answer into samples and diagnostics. A pure function: the
// only failure is a body that does not decode; every other problem becomes a diagnostic
// inside the result, and a result without any sample carries an error.
class ClaudeUsageNormalizer {
public:
    static Decoded<ProviderCollectionResult> normalize(const QByteArray& data, const QUuid& connectionID,
                                                       Instant observedAt);
};

} // namespace tallyvane
