#pragma once

#include <QString>

#include <optional>

namespace tallyvane {

// A folder only this user can enter, for a socket that must not be squatted: created 0700 when
// missing; an existing one is used only when it is a real folder (not a link), owned by this
// user and closed to everyone else. Anything else could be another user's, who could then
// answer every launch in our place.
class PrivateSocketFolder {
public:
    static std::optional<QString> ensure(const QString& path);
};

} // namespace tallyvane
