#include "CodexOAuthError.h"

namespace tallyvane {

QString debugText(const CodexOAuthError& error)
{
    const QString name = caseName(error.kind());
    if (const auto code = error.rpcCode())
        return name + QLatin1Char('(') + QString::number(*code) + QLatin1Char(')');
    return name;
}

} // namespace tallyvane
