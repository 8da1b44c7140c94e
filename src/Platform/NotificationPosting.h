#pragma once

#include "NotificationAuthorization.h"
#include "NotificationPostingError.h"
#include "UserNotification.h"

#include <QCoroTask>

#include <expected>

namespace tallyvane {

// Where user notifications go. Abstract so that callers can be tested without a desktop.
class NotificationPosting {
public:
    virtual ~NotificationPosting() = default;

    virtual QCoro::Task<NotificationAuthorization> authorization() = 0;
    // Asks to be allowed to post. The answer is whether permission was granted; an error means
    // the request itself could not be made.
    virtual QCoro::Task<std::expected<bool, NotificationPostingError>> requestAuthorization() = 0;
    virtual QCoro::Task<std::expected<void, NotificationPostingError>>
    post(UserNotification notification) = 0;
};

} // namespace tallyvane
