#pragma once

#include <QMap>
#include <QString>

namespace tallyvane::bench {

// The reference: the same children a collection starts (the app-server conversation, then
// `--version`, which a collection skips when the rate-limit read is declined), driven by the plainest
// blocking POSIX code, with none of the provider's framing, limits or normalisation. Returns false if the
// child did not answer as expected.
bool runBareExchange(const QString& executable, const QMap<QString, QString>& environment);

} // namespace tallyvane::bench
