#include "PortalRequestResponse.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {
const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString requestInterface = u"org.freedesktop.portal.Request"_s;
} // namespace

PortalRequestResponse::PortalRequestResponse(QDBusConnection bus, QString token, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_token(std::move(token))
    , m_path(requestPath(m_bus, m_token))
{
    m_bus.connect(portalService, m_path, requestInterface, u"Response"_s, this,
                  SLOT(Response(uint, QVariantMap)));
}

PortalRequestResponse::~PortalRequestResponse()
{
    m_bus.disconnect(portalService, m_path, requestInterface, u"Response"_s, this,
                     SLOT(Response(uint, QVariantMap)));
}

QString PortalRequestResponse::requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(u':') ? 1 : 0).replace(u'.', u'_');
    return u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(sender, token);
}

void PortalRequestResponse::Response(uint response, const QVariantMap&)
{
    m_answer = response;
    Q_EMIT answered(response);
}

} // namespace tallyvane
