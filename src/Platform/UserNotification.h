#pragma once

#include <QString>

namespace tallyvane {

// One notification to show now.
struct UserNotification {
    QString identifier;
    QString title;
    QString body;
    bool playsDefaultSound = true;

    friend bool operator==(const UserNotification&, const UserNotification&) = default;
};

} // namespace tallyvane
