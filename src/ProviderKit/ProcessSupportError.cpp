#include "ProcessSupportError.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QString description(ProcessSupportError error)
{
    switch (error) {
    case ProcessSupportError::launchFailed:
        return u"The provider executable could not be started."_s;
    case ProcessSupportError::timedOut:
        return u"The provider executable did not respond before the deadline."_s;
    case ProcessSupportError::outputLimitExceeded:
        return u"The provider executable exceeded the safe output limit."_s;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace tallyvane
