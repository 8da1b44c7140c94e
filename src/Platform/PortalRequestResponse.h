#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <optional>

namespace tallyvane {

// The answer of one XDG desktop portal request. The request's object path is known before the
// call is made (it follows from the caller's bus name and a token the caller picks), so the
// answer is listened for first and cannot be missed.
class PortalRequestResponse : public QObject {
    Q_OBJECT
public:
    // The portal's answer codes.
    static constexpr uint success = 0;
    static constexpr uint cancelled = 1;

    PortalRequestResponse(QDBusConnection bus, QString token, QObject* parent = nullptr);
    ~PortalRequestResponse() override;

    const QString& token() const { return m_token; }
    // The answer, once it came.
    std::optional<uint> answer() const { return m_answer; }
    static QString requestPath(const QDBusConnection& bus, const QString& token);

Q_SIGNALS:
    void answered(uint response);

private Q_SLOTS:
    void Response(uint response, const QVariantMap& results);

private:
    QDBusConnection m_bus;
    QString m_token;
    QString m_path;
    std::optional<uint> m_answer;
};

} // namespace tallyvane
