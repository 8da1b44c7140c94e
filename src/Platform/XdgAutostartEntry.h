#pragma once

#include <QString>

#include <expected>
#include <optional>

namespace tallyvane {

// The application's XDG autostart entry, `$XDG_CONFIG_HOME/autostart/app.tallyvane.Tallyvane.desktop`.
// The entry starts the installed application: its Exec is the Exec of the application's desktop
// entry in the XDG data directories. Without that desktop entry the running copy is not an
// installed application and cannot be registered. Every call reads the file system afresh.
class XdgAutostartEntry {
public:
    enum class Status {
        notRegistered, // no entry, or one the session skips (Hidden=true, or switched off for GNOME)
        enabled,
        notFound, // the running copy is not an installed application
    };

    enum class Error {
        notInstalled,
        writeFailed,
        removeFailed,
    };

    static constexpr char16_t desktopFileName[] = u"app.tallyvane.Tallyvane.desktop";

    // `$XDG_CONFIG_HOME/autostart/app.tallyvane.Tallyvane.desktop`.
    static QString entryPath();
    // The application's desktop entry in the XDG data directories, when installed.
    static std::optional<QString> installedEntryPath();
    // The installed entry's Exec without field codes (%U and the like).
    static std::optional<QString> installedCommand();

    static Status status();
    // Writes the entry atomically; the autostart directory is created when missing.
    static std::expected<void, Error> registerEntry();
    // Removing an entry that is not there succeeds.
    static std::expected<void, Error> unregisterEntry();
};

} // namespace tallyvane
