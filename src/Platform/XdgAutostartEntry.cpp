#include "XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QString fileName()
{
    return QString::fromUtf16(XdgAutostartEntry::desktopFileName);
}

// The unlocalised keys of the [Desktop Entry] group; absent when the file cannot be read.
std::optional<QHash<QString, QString>> readDesktopEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QHash<QString, QString> keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == "[Desktop Entry]"_L1;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, line.sliced(equals + 1).trimmed());
    }
    return keys;
}

bool isTrue(const QString& value)
{
    return value == "true"_L1;
}

} // namespace

QString XdgAutostartEntry::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart/"_s +
           fileName();
}

std::optional<QString> XdgAutostartEntry::installedEntryPath()
{
    const QString path =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, u"applications/"_s + fileName());
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> XdgAutostartEntry::installedCommand()
{
    const std::optional<QString> path = installedEntryPath();
    if (!path)
        return std::nullopt;
    const std::optional<QHash<QString, QString>> entry = readDesktopEntry(*path);
    if (!entry)
        return std::nullopt;
    // Field codes stand for files or URLs handed over at launch; at login there are none.
    static const QRegularExpression fieldCode(u"(^|\\s)%[fFuUdDnNickvm](?=\\s|$)"_s);
    const QString command = QString(entry->value(u"Exec"_s)).remove(fieldCode).trimmed();
    if (command.isEmpty())
        return std::nullopt;
    return command;
}

XdgAutostartEntry::Status XdgAutostartEntry::status()
{
    if (!installedCommand())
        return Status::notFound;
    const std::optional<QHash<QString, QString>> entry = readDesktopEntry(entryPath());
    if (!entry)
        return Status::notRegistered;
    if (isTrue(entry->value(u"Hidden"_s)) || entry->value(u"X-GNOME-Autostart-enabled"_s) == "false"_L1)
        return Status::notRegistered;
    return Status::enabled;
}

std::expected<void, XdgAutostartEntry::Error> XdgAutostartEntry::registerEntry()
{
    const std::optional<QString> command = installedCommand();
    if (!command)
        return std::unexpected(Error::notInstalled);

    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return std::unexpected(Error::writeFailed);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return std::unexpected(Error::writeFailed);
    const QString contents = u"[Desktop Entry]\n"
                             u"Type=Application\n"
                             u"Name=Tallyvane\n"
                             u"Exec="_s +
                             *command + u"\nX-GNOME-Autostart-enabled=true\n"_s;
    const QByteArray bytes = contents.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return std::unexpected(Error::writeFailed);
    return {};
}

std::expected<void, XdgAutostartEntry::Error> XdgAutostartEntry::unregisterEntry()
{
    const QString path = entryPath();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return {};
    if (!QFile::remove(path))
        return std::unexpected(Error::removeFailed);
    return {};
}

} // namespace tallyvane
