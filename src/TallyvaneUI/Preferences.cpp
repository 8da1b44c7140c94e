#include "Preferences.h"

#include "JsonSettingsFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QString PreferenceKey::showService(ProviderService service)
{
    return service == ProviderService::codex ? QString(showCodex) : QString(showClaude);
}

QString PreferenceKey::alertThreshold(int percent)
{
    return u"notifications.threshold."_s + QString::number(percent);
}

namespace {

// Values of different types are different even when QVariant would compare them equal
// (true == 1.0).
bool sameValue(const QVariant& a, const QVariant& b)
{
    return a.metaType() == b.metaType() && a == b;
}

QString joinedOrder(const QList<ProviderService>& order)
{
    QStringList names;
    for (ProviderService service : order)
        names.append(caseName(service));
    return names.join(u',');
}

} // namespace

QString Preferences::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Tallyvane/preferences.json"_s;
}

Preferences::Preferences(QObject* parent)
    : Preferences(defaultFilePath(), parent)
{
}

Preferences::Preferences(const QString& filePath, QObject* parent)
    : QObject(parent)
    , m_filePath(QFileInfo(filePath).absoluteFilePath())
{
    // The directory is watched too: atomic replaces and first creation of the file show there.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &Preferences::reload);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &Preferences::reload);
    m_values = readFile().value_or(QVariantMap{});
    watch();
}

void Preferences::watch()
{
    const QString directory = QFileInfo(m_filePath).absolutePath();
    if (!m_watcher.directories().contains(directory) && QFileInfo(directory).isDir())
        m_watcher.addPath(directory);
    // A replaced file is a new inode; the watch on the old one is gone.
    if (!m_watcher.files().contains(m_filePath) && QFileInfo::exists(m_filePath))
        m_watcher.addPath(m_filePath);
}

std::optional<QVariantMap> Preferences::readFile()
{
    QFile file(m_filePath);
    if (!file.exists())
        return QVariantMap{};
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QVariantMap> values = JsonSettingsFormat::parse(file.readAll());
    file.close();
    if (values)
        return values;

    const QString aside =
        m_filePath + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss-zzz"_s);
    // A file that cannot be moved aside sits in a folder this process cannot write, so no later
    // write can replace it either; the defaults apply meanwhile and nothing is lost.
    QFile::rename(m_filePath, aside);
    return QVariantMap{};
}

void Preferences::reload()
{
    watch();
    // An unreadable file (no permission) keeps what was last read rather than flipping to defaults.
    std::optional<QVariantMap> fresh = readFile();
    if (!fresh)
        return;
    const QVariantMap old = std::exchange(m_values, std::move(*fresh));

    QSet<QString> keys;
    for (auto it = old.keyBegin(); it != old.keyEnd(); ++it)
        keys.insert(*it);
    for (auto it = m_values.keyBegin(); it != m_values.keyEnd(); ++it)
        keys.insert(*it);
    QStringList changedKeys;
    for (const QString& key : keys) {
        if (old.contains(key) != m_values.contains(key) || !sameValue(old.value(key), m_values.value(key)))
            changedKeys.append(key);
    }
    changedKeys.sort();
    for (const QString& key : changedKeys)
        Q_EMIT changed(key);
}

bool Preferences::write(const QString& key, const std::optional<QVariant>& value)
{
    // Read (and mend) first, so QSettings never merges into a file it cannot parse.
    reload();
    bool written = false;
    {
        QSettings settings(m_filePath, JsonSettingsFormat::format());
        if (value)
            settings.setValue(key, *value);
        else
            settings.remove(key);
        settings.sync();
        written = settings.status() == QSettings::NoError;
    }
    reload();
    return written;
}

bool Preferences::setValue(const QString& key, const QVariant& value)
{
    return write(key, value);
}

bool Preferences::remove(const QString& key)
{
    return write(key, std::nullopt);
}

bool Preferences::readTrueDefault(const QString& key) const
{
    const QVariant value = m_values.value(key);
    return value.typeId() == QMetaType::Bool ? value.toBool() : true;
}

bool Preferences::readFalseDefault(const QString& key) const
{
    const QVariant value = m_values.value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare(u"true"_s, Qt::CaseInsensitive) == 0 ||
            text.compare(u"yes"_s, Qt::CaseInsensitive) == 0)
            return true;
        bool isNumber = false;
        const double number = text.toDouble(&isNumber);
        return isNumber && number != 0;
    }
    default:
        return false;
    }
}

QString Preferences::readString(QLatin1StringView key, QLatin1StringView fallback) const
{
    const QVariant value = m_values.value(QString(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString(fallback);
}

std::optional<double> Preferences::readSeconds(QLatin1StringView key) const
{
    const QVariant value = m_values.value(QString(key));
    bool isNumber = false;
    double seconds = 0;
    if (value.typeId() == QMetaType::Double) {
        seconds = value.toDouble();
        isNumber = true;
    } else if (value.typeId() == QMetaType::QString) {
        seconds = value.toString().trimmed().toDouble(&isNumber);
    }
    // Infinity or NaN would break every timer that is computed from the interval.
    if (!isNumber || !std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

double Preferences::interval(QLatin1StringView key, double fallback) const
{
    const double seconds = readSeconds(key).value_or(0);
    return seconds > 0 ? std::max(seconds, minimumRefreshSeconds) : fallback;
}

bool Preferences::iconsOnly() const
{
    return readFalseDefault(QString(PreferenceKey::iconsOnly));
}

bool Preferences::showPercentage() const
{
    return readTrueDefault(PreferenceKey::showPercentage);
}

QString Preferences::percentageMode() const
{
    return readString(PreferenceKey::percentageMode, "consumed"_L1);
}

bool Preferences::showReset() const
{
    return readTrueDefault(PreferenceKey::showReset);
}

QString Preferences::windowKind() const
{
    return readString(PreferenceKey::windowKind, "fiveHour"_L1);
}

QString Preferences::density() const
{
    return readString(PreferenceKey::density, "compact"_L1);
}

bool Preferences::showService(ProviderService service) const
{
    return readTrueDefault(PreferenceKey::showService(service));
}

QString Preferences::providerOrderText() const
{
    return readString(PreferenceKey::providerOrder, "codex,claude"_L1);
}

QList<ProviderService> Preferences::providerOrder() const
{
    QList<ProviderService> order;
    const QStringList pieces = providerOrderText().split(u',', Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        if (const std::optional<ProviderService> service = caseNamed<ProviderService>(piece))
            order.append(*service);
    }
    return order;
}

double Preferences::activeRefreshInterval() const
{
    return interval(PreferenceKey::refreshActiveSeconds, defaultActiveRefreshSeconds);
}

double Preferences::idleRefreshInterval() const
{
    return interval(PreferenceKey::refreshIdleSeconds, defaultIdleRefreshSeconds);
}

double Preferences::storedRefreshActiveSeconds() const
{
    return readSeconds(PreferenceKey::refreshActiveSeconds).value_or(defaultActiveRefreshSeconds);
}

double Preferences::storedRefreshIdleSeconds() const
{
    return readSeconds(PreferenceKey::refreshIdleSeconds).value_or(defaultIdleRefreshSeconds);
}

bool Preferences::notificationsEnabled() const
{
    return readFalseDefault(QString(PreferenceKey::notificationsEnabled));
}

bool Preferences::alertThresholdEnabled(int percent) const
{
    return readTrueDefault(PreferenceKey::alertThreshold(percent));
}

bool Preferences::windowResetNotifications() const
{
    return readFalseDefault(QString(PreferenceKey::windowResetNotifications));
}

bool Preferences::paceWarnings() const
{
    return readTrueDefault(PreferenceKey::paceWarnings);
}

bool Preferences::onboardingCompleted() const
{
    return readFalseDefault(QString(PreferenceKey::onboardingCompleted));
}

bool Preferences::isAuthorized(ProviderService service, const QString& prefix) const
{
    return readFalseDefault(AuthorizationFlagStore::key(prefix, service));
}

bool Preferences::setIconsOnly(bool on)
{
    return setValue(PreferenceKey::iconsOnly, on);
}

bool Preferences::setShowPercentage(bool on)
{
    return setValue(PreferenceKey::showPercentage, on);
}

bool Preferences::setPercentageMode(const QString& mode)
{
    return setValue(PreferenceKey::percentageMode, mode);
}

bool Preferences::setShowReset(bool on)
{
    return setValue(PreferenceKey::showReset, on);
}

bool Preferences::setWindowKind(const QString& kind)
{
    return setValue(PreferenceKey::windowKind, kind);
}

bool Preferences::setDensity(const QString& density)
{
    return setValue(PreferenceKey::density, density);
}

bool Preferences::setShowService(ProviderService service, bool on)
{
    return setValue(PreferenceKey::showService(service), on);
}

bool Preferences::setProviderOrder(const QList<ProviderService>& order)
{
    return setValue(PreferenceKey::providerOrder, joinedOrder(order));
}

bool Preferences::setRefreshActiveSeconds(double seconds)
{
    return setValue(PreferenceKey::refreshActiveSeconds, seconds);
}

bool Preferences::setRefreshIdleSeconds(double seconds)
{
    return setValue(PreferenceKey::refreshIdleSeconds, seconds);
}

bool Preferences::setNotificationsEnabled(bool on)
{
    return setValue(PreferenceKey::notificationsEnabled, on);
}

bool Preferences::setAlertThresholdEnabled(int percent, bool on)
{
    return setValue(PreferenceKey::alertThreshold(percent), on);
}

bool Preferences::setWindowResetNotifications(bool on)
{
    return setValue(PreferenceKey::windowResetNotifications, on);
}

bool Preferences::setPaceWarnings(bool on)
{
    return setValue(PreferenceKey::paceWarnings, on);
}

bool Preferences::setOnboardingCompleted(bool on)
{
    return setValue(PreferenceKey::onboardingCompleted, on);
}

bool Preferences::setAuthorized(ProviderService service, bool authorized, const QString& prefix)
{
    return setValue(AuthorizationFlagStore::key(prefix, service), authorized);
}

} // namespace tallyvane
