#pragma once

#include <QDBusVirtualObject>

namespace tallyvane::testing {

// Owns org.freedesktop.secrets on the session bus and answers every call only after a delay,
// with an error: a keyring that is there but slow, like one waiting behind an unlock prompt.
class SlowSecretService final : public QDBusVirtualObject {
public:
    explicit SlowSecretService(int delayMs);
    ~SlowSecretService() override;

    bool start();
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    int m_delayMs;
    bool m_registered = false;
};

} // namespace tallyvane::testing
