#include "StatusNotifierItemProbe.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

const QString watcherService = u"org.kde.StatusNotifierWatcher"_s;
const QString itemInterface = u"org.kde.StatusNotifierItem"_s;
const QString menuInterface = u"com.canonical.dbusmenu"_s;

std::optional<QVariant> getProperty(const QString& service, const QString& path, const QString& interface,
                                    const QString& name)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    call << interface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QStringList registeredItems()
{
    const auto items = getProperty(watcherService, u"/StatusNotifierWatcher"_s, watcherService,
                                   u"RegisteredStatusNotifierItems"_s);
    return items ? items->toStringList() : QStringList{};
}

// a(iiay): width, height, ARGB32 in network byte order.
QList<QImage> readPixmaps(const QDBusArgument& argument)
{
    QList<QImage> images;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() != qsizetype(width) * height * 4)
            continue;
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + (y * width + x) * 4;
                image.setPixel(x, y, qRgba(p[1], p[2], p[3], p[0]));
            }
        images.append(image);
    }
    argument.endArray();
    return images;
}

// (ia{sv}av), children depth first.
void readLayout(const QDBusArgument& argument, QList<ExportedMenuEntry>& entries, bool isRoot)
{
    int id = 0;
    QVariantMap properties;
    argument.beginStructure();
    argument >> id >> properties;
    if (!isRoot && properties.value(u"visible"_s, true).toBool()) {
        const bool separator = properties.value(u"type"_s).toString() == u"separator"_s;
        QString label = properties.value(u"label"_s).toString();
        label.remove(u'_');
        entries.append({id, label, separator});
    }
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        readLayout(child.variant().value<QDBusArgument>(), entries, false);
    }
    argument.endArray();
    argument.endStructure();
}

} // namespace

bool StatusNotifierItemProbe::watcherPresent()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(watcherService).value();
}

std::optional<StatusNotifierItemProbe> StatusNotifierItemProbe::find(qint64 pid, int boundMs)
{
    std::optional<StatusNotifierItemProbe> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const QString& entry : registeredItems()) {
                // ":1.7/StatusNotifierItem", or a well-known name alone.
                const qsizetype slash = entry.indexOf(u'/');
                const QString service = slash < 0 ? entry : entry.left(slash);
                const QString path = slash < 0 ? u"/StatusNotifierItem"_s : entry.mid(slash);
                const QDBusReply<uint> owner =
                    QDBusConnection::sessionBus().interface()->servicePid(service.section(u'@', 0, 0));
                if (owner.isValid() && owner.value() == pid) {
                    found = StatusNotifierItemProbe(service.section(u'@', 0, 0), path);
                    return true;
                }
            }
            return false;
        },
        boundMs);
    return found;
}

std::optional<QVariant> StatusNotifierItemProbe::property(const QString& name) const
{
    return getProperty(m_service, m_path, itemInterface, name);
}

std::optional<QString> StatusNotifierItemProbe::stringProperty(const QString& name) const
{
    const auto value = property(name);
    return value ? std::optional(value->toString()) : std::nullopt;
}

std::optional<QString> StatusNotifierItemProbe::menuPath() const
{
    const auto value = property(u"Menu"_s);
    return value ? std::optional(value->value<QDBusObjectPath>().path()) : std::nullopt;
}

QList<QImage> StatusNotifierItemProbe::iconPixmaps() const
{
    const auto value = property(u"IconPixmap"_s);
    return value ? readPixmaps(value->value<QDBusArgument>()) : QList<QImage>{};
}

std::optional<QString> StatusNotifierItemProbe::toolTip() const
{
    const auto value = property(u"ToolTip"_s);
    if (!value)
        return std::nullopt;
    const QDBusArgument argument = value->value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    argument.beginStructure();
    argument >> iconName;
    readPixmaps(argument);
    argument >> title >> text;
    argument.endStructure();
    return title + u'\n' + text;
}

QList<ExportedMenuEntry> StatusNotifierItemProbe::menuEntries() const
{
    const auto path = menuPath();
    if (!path)
        return {};
    // Hosts announce the menu before they read it; Qt fills its layout then.
    QDBusMessage aboutToShow =
        QDBusMessage::createMethodCall(m_service, *path, menuInterface, u"AboutToShow"_s);
    aboutToShow << 0;
    QDBusConnection::sessionBus().call(aboutToShow, QDBus::Block, 5000);
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, *path, menuInterface, u"GetLayout"_s);
    call << 0 << -1 << QStringList{};
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return {};
    QList<ExportedMenuEntry> entries;
    readLayout(reply.arguments().at(1).value<QDBusArgument>(), entries, true);
    return entries;
}

bool StatusNotifierItemProbe::clickMenuEntry(const QString& label) const
{
    const QList<ExportedMenuEntry> entries = menuEntries();
    const auto entry = std::ranges::find(entries, label, &ExportedMenuEntry::label);
    const auto path = menuPath();
    if (entry == entries.end() || !path)
        return false;
    const int id = entry->id;
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, *path, menuInterface, u"Event"_s);
    call << id << u"clicked"_s << QVariant::fromValue(QDBusVariant(0))
         << uint(QDateTime::currentSecsSinceEpoch());
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

bool StatusNotifierItemProbe::activate(int x, int y) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, itemInterface, u"Activate"_s);
    call << x << y;
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

} // namespace tallyvane::testing
