#include "UserToolDirectories.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

// npm's configuration is small; anything larger is not one we should be reading.
constexpr qint64 npmrcLimit = 64 * 1024;

QString expandHome(QString value, const QString& homeDirectory)
{
    if (value == u"~"_s || value.startsWith(u"~/"_s))
        return homeDirectory + value.mid(1);
    for (const QString& variable : {u"${HOME}"_s, u"$HOME"_s}) {
        if (value.startsWith(variable))
            return homeDirectory + value.mid(variable.size());
    }
    return value;
}

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

std::optional<QString> configuredNpmPrefix(const QString& homeDirectory)
{
    QFile npmrc(homeDirectory + u"/.npmrc"_s);
    if (!npmrc.open(QIODevice::ReadOnly) || npmrc.size() > npmrcLimit)
        return std::nullopt;
    std::optional<QString> prefix;
    const QStringList lines = QString::fromUtf8(npmrc.readAll()).split(u'\n');
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.left(equals).trimmed() != u"prefix"_s)
            continue;
        // The last assignment wins, as in npm's own reading of the file.
        const QString value = expandHome(unquoted(line.mid(equals + 1)), homeDirectory);
        prefix = QDir::isAbsolutePath(value) ? std::optional(QDir::cleanPath(value)) : std::nullopt;
    }
    return prefix;
}

} // namespace

QStringList UserToolDirectories::nodeVersionDirectories(const QString& homeDirectory)
{
    if (homeDirectory.isEmpty())
        return {};
    const QDir versions(homeDirectory + u"/.nvm/versions/node"_s);
    // No QDir::Hidden: hidden entries are skipped; a listing that fails is simply empty.
    QStringList names =
        versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::NoSort);
    // The C locale collates by code point, which would put v9 above v22.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(),
              [&collator](const QString& a, const QString& b) { return collator.compare(a, b) > 0; });
    QStringList directories;
    for (const QString& version : names)
        directories.append(versions.filePath(version) + u"/bin"_s);
    return directories;
}

QString UserToolDirectories::npmUserPrefix(const QString& homeDirectory)
{
    return configuredNpmPrefix(homeDirectory).value_or(homeDirectory + u"/.npm-global"_s);
}

QStringList UserToolDirectories::searchOrder(const QString& homeDirectory)
{
    QStringList directories;
    if (QDir::isAbsolutePath(homeDirectory)) {
        const QString home = QDir::cleanPath(homeDirectory);
        directories << home + u"/.local/bin"_s << npmUserPrefix(home) + u"/bin"_s;
        directories += nodeVersionDirectories(home);
        directories << home + u"/.volta/bin"_s << home + u"/.local/share/pnpm"_s << home + u"/.bun/bin"_s;
    }
    directories << u"/home/linuxbrew/.linuxbrew/bin"_s << u"/snap/bin"_s << u"/usr/local/bin"_s
                << u"/usr/bin"_s;
    return directories;
}

} // namespace tallyvane
