#pragma once

#include <ProviderKit/AuthorizationFlagStore.h>
#include <ProviderKit/ProviderService.h>

#include <QFileSystemWatcher>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <optional>

namespace tallyvane {

// The keys of the user's preferences; values are flat and plain, never usage or account data.
namespace PreferenceKey {
using namespace Qt::Literals::StringLiterals;
inline constexpr QLatin1StringView iconsOnly = "menu.iconsOnly"_L1;
inline constexpr QLatin1StringView showPercentage = "menu.showPercentage"_L1;
inline constexpr QLatin1StringView percentageMode = "menu.percentageMode"_L1;
inline constexpr QLatin1StringView showReset = "menu.showReset"_L1;
inline constexpr QLatin1StringView windowKind = "menu.windowKind"_L1;
inline constexpr QLatin1StringView density = "menu.density"_L1;
inline constexpr QLatin1StringView showCodex = "menu.showCodex"_L1;
inline constexpr QLatin1StringView showClaude = "menu.showClaude"_L1;
inline constexpr QLatin1StringView providerOrder = "menu.providerOrder"_L1;
inline constexpr QLatin1StringView refreshActiveSeconds = "advanced.refreshActiveSeconds"_L1;
inline constexpr QLatin1StringView refreshIdleSeconds = "advanced.refreshIdleSeconds"_L1;
inline constexpr QLatin1StringView notificationsEnabled = "notifications.enabled"_L1;
inline constexpr QLatin1StringView windowResetNotifications = "notifications.windowReset"_L1;
inline constexpr QLatin1StringView paceWarnings = "notifications.paceWarning"_L1;
inline constexpr QLatin1StringView onboardingCompleted = "onboarding.completed.v1"_L1;

QString showService(ProviderService service);
// "notifications.threshold.<percent>"
QString alertThreshold(int percent);
} // namespace PreferenceKey

// The user's preferences: a JSON file read through QSettings, with one typed reader per key that
// applies the key's default and reading rule. Readers answer from the last read of the file;
// writes go to disk at once (atomically, merged with the file's other keys). changed(key) is
// emitted for every key whose value differs after a write or after another process changed the
// file.
//
// A file that is not a JSON object is moved aside (to "<file>.unreadable-<time>") so the next
// write does not destroy what the user may want back; its keys read as their defaults.
class Preferences : public QObject {
    Q_OBJECT
public:
    static constexpr double defaultActiveRefreshSeconds = 120;
    static constexpr double defaultIdleRefreshSeconds = 600;
    static constexpr double minimumRefreshSeconds = 120;
    // The alert thresholds offered, in percent.
    static constexpr std::array<int, 4> alertThresholds{50, 75, 90, 95};

    // `$XDG_CONFIG_HOME/Tallyvane/preferences.json`.
    static QString defaultFilePath();

    explicit Preferences(QObject* parent = nullptr);
    explicit Preferences(const QString& filePath, QObject* parent = nullptr);

    QString filePath() const { return m_filePath; }

    bool iconsOnly() const;
    bool showPercentage() const;
    // "consumed" or "remaining"; unknown text is passed through for the reader to judge.
    QString percentageMode() const;
    bool showReset() const;
    // "fiveHour", "sevenDay" or "unknown".
    QString windowKind() const;
    // "compact" or "detailed".
    QString density() const;
    bool showService(ProviderService service) const;
    // The stored text as it is, or "codex,claude".
    QString providerOrderText() const;
    // The recognised services of the stored order, in order; the reader completes it.
    QList<ProviderService> providerOrder() const;
    // The intervals to wait: at least 120 s; the default when nothing positive is stored.
    double activeRefreshInterval() const;
    double idleRefreshInterval() const;
    // The stored numbers as the settings steppers show them, the default when none is stored.
    double storedRefreshActiveSeconds() const;
    double storedRefreshIdleSeconds() const;
    bool notificationsEnabled() const;
    bool alertThresholdEnabled(int percent) const;
    bool windowResetNotifications() const;
    bool paceWarnings() const;
    bool onboardingCompleted() const;
    // The authentication manager's per-service flag, "<prefix>.<service raw value>"; absent is false.
    bool isAuthorized(ProviderService service,
                      const QString& prefix = QString(AuthorizationFlagStore::defaultKeyPrefix)) const;

    // Each setter answers false when the file could not be written; the value is then unchanged.
    bool setIconsOnly(bool on);
    bool setShowPercentage(bool on);
    bool setPercentageMode(const QString& mode);
    bool setShowReset(bool on);
    bool setWindowKind(const QString& kind);
    bool setDensity(const QString& density);
    bool setShowService(ProviderService service, bool on);
    bool setProviderOrder(const QList<ProviderService>& order);
    bool setRefreshActiveSeconds(double seconds);
    bool setRefreshIdleSeconds(double seconds);
    bool setNotificationsEnabled(bool on);
    bool setAlertThresholdEnabled(int percent, bool on);
    bool setWindowResetNotifications(bool on);
    bool setPaceWarnings(bool on);
    bool setOnboardingCompleted(bool on);
    bool setAuthorized(ProviderService service, bool authorized,
                       const QString& prefix = QString(AuthorizationFlagStore::defaultKeyPrefix));

    // Raw access, for keys owned by other components.
    QVariant value(const QString& key) const { return m_values.value(key); }
    bool contains(const QString& key) const { return m_values.contains(key); }
    bool setValue(const QString& key, const QVariant& value);
    bool remove(const QString& key);

    // Reads the file again and emits changed() for what differs; the file watcher calls it.
    void reload();

Q_SIGNALS:
    void changed(const QString& key);

private:
    bool write(const QString& key, const std::optional<QVariant>& value);
    std::optional<QVariantMap> readFile();
    void watch();
    // Present and a boolean, else true.
    bool readTrueDefault(QLatin1StringView key) const { return readTrueDefault(QString(key)); }
    bool readTrueDefault(const QString& key) const;
    // The store's plain boolean read: missing gives false.
    bool readFalseDefault(const QString& key) const;
    QString readString(QLatin1StringView key, QLatin1StringView fallback) const;
    std::optional<double> readSeconds(QLatin1StringView key) const;
    double interval(QLatin1StringView key, double fallback) const;

    QString m_filePath;
    QVariantMap m_values;
    QFileSystemWatcher m_watcher;
};

} // namespace tallyvane
