#pragma once

#include <QString>
#include <QStringList>

namespace tallyvane {

// The directories Linux users install command-line tools into, in the order they are searched.
// A session started from the desktop or an autostart entry often has only /usr/bin:/bin on its
// PATH, so a tool installed with npm, nvm, volta, pnpm, bun, Homebrew or snap is looked for
// where those put it.
class UserToolDirectories {
public:
    UserToolDirectories() = delete;

    // ~/.local/bin, the npm user prefix's bin, nvm's node versions (newest first), ~/.volta/bin,
    // ~/.local/share/pnpm, ~/.bun/bin, then the Linuxbrew, snap and system directories.
    static QStringList searchOrder(const QString& homeDirectory);

    // <home>/.nvm/versions/node/<version>/bin, newest version first; hidden entries skipped.
    static QStringList nodeVersionDirectories(const QString& homeDirectory);

    // `prefix=` of ~/.npmrc (with ~ and $HOME expanded), else ~/.npm-global.
    static QString npmUserPrefix(const QString& homeDirectory);
};

} // namespace tallyvane
