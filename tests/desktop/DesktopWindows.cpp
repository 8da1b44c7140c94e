#include "DesktopWindows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QRect rectOf(const QJsonObject& rect)
{
    return {rect.value(u"x"_s).toInt(), rect.value(u"y"_s).toInt(), rect.value(u"width"_s).toInt(),
            rect.value(u"height"_s).toInt()};
}

void collect(const QJsonObject& node, qint64 pid, QList<DesktopWindow>& windows)
{
    if (node.value(u"pid"_s).toInteger() == pid && node.value(u"visible"_s).toBool(true))
        windows.append({QString::number(node.value(u"id"_s).toInteger()), node.value(u"name"_s).toString(),
                        rectOf(node.value(u"rect"_s).toObject())});
    for (const auto* key : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1StringView(key)).toArray())
            collect(child.toObject(), pid, windows);
}

// xdotool's "--shell" output, X=.. Y=.. WIDTH=.. HEIGHT=.., read like the others' rects.
QRect x11Geometry(const QString& window)
{
    QJsonObject rect;
    for (const QByteArray& line :
         run(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, window}).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        rect.insert(QString::fromLatin1(line.left(equals)).toLower(), line.mid(equals + 1).toInt());
    }
    return rectOf(rect);
}

// GNOME Shell's Eval (allowed with --unsafe-mode) answers with the value as JSON text.
std::optional<QString> shellEvalText(const QString& script)
{
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, u"/org/gnome/Shell"_s,
                                                       u"org.gnome.Shell"_s, u"Eval"_s);
    call << script;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10'000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2 ||
        !reply.arguments().at(0).toBool())
        return std::nullopt;
    return reply.arguments().at(1).toString();
}

QJsonDocument shellEval(const QString& script)
{
    const auto text = shellEvalText(script);
    return text ? QJsonDocument::fromJson(text->toUtf8()) : QJsonDocument();
}

const QString gnomeWindows = uR"(global.get_window_actors().map(a => a.meta_window).map(w => {
    const r = w.get_frame_rect();
    return {id: w.get_id(), pid: w.get_pid(), name: w.get_title(), visible: !w.minimized,
            rect: {x: r.x, y: r.y, width: r.width, height: r.height}};
}))"_s;

} // namespace

int DesktopWindows::gnomeTopBarHeight()
{
    return shellEval(u"[Main.panel.height]"_s).array().at(0).toInt();
}

QList<DesktopWindow> DesktopWindows::of(qint64 pid, WindowSystem system)
{
    QList<DesktopWindow> windows;
    if (system == WindowSystem::gnome) {
        for (const QJsonValue window : shellEval(gnomeWindows).array())
            collect(window.toObject(), pid, windows);
        return windows;
    }
    if (system == WindowSystem::sway) {
        collect(QJsonDocument::fromJson(run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_tree"_s})).object(), pid,
                windows);
        return windows;
    }
    const QByteArray ids =
        run(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(pid)});
    for (const QByteArray& id : ids.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        const QString window = QString::fromLatin1(id.trimmed());
        const QString title = QString::fromUtf8(run(u"xdotool"_s, {u"getwindowname"_s, window})).trimmed();
        windows.append({window, title, x11Geometry(window)});
    }
    return windows;
}

QRect DesktopWindows::screen(WindowSystem system)
{
    if (system == WindowSystem::gnome)
        return rectOf(shellEval(u"[Main.layoutManager.primaryMonitor]"_s).array().at(0).toObject());
    if (system == WindowSystem::sway) {
        const QJsonArray outputs =
            QJsonDocument::fromJson(run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_outputs"_s})).array();
        return outputs.isEmpty() ? QRect() : rectOf(outputs.first().toObject().value(u"rect"_s).toObject());
    }
    const QList<QByteArray> size = run(u"xdotool"_s, {u"getdisplaygeometry"_s}).trimmed().split(' ');
    return size.size() == 2 ? QRect(0, 0, size.at(0).toInt(), size.at(1).toInt()) : QRect();
}

bool DesktopWindows::close(qint64 pid, WindowSystem system)
{
    if (system == WindowSystem::gnome)
        return gnomeEval(
            u"global.get_window_actors().map(a => a.meta_window)"
            u".filter(w => w.get_pid() === %1).forEach(w => w.delete(global.get_current_time()))"_s.arg(pid));
    return system == WindowSystem::sway && !run(u"swaymsg"_s, {u"[pid=%1] kill"_s.arg(pid)}).isNull();
}

bool DesktopWindows::gnomeEval(const QString& script)
{
    return shellEvalText(script).has_value();
}

std::optional<DesktopWindow> DesktopWindows::waitFor(qint64 pid, WindowSystem system, const QString& title,
                                                     int boundMs, const QString& except)
{
    std::optional<DesktopWindow> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const DesktopWindow& window : of(pid, system))
                if (window.title == title && window.rect.isValid() && window.id != except)
                    found = window;
            return found.has_value();
        },
        boundMs);
    return found;
}

bool DesktopWindows::settlesInside(qint64 pid, WindowSystem system, const QString& id, const QRect& area,
                                   int boundMs)
{
    return QTest::qWaitFor(
        [&] {
            const QList<DesktopWindow> windows = of(pid, system);
            return std::ranges::any_of(windows, [&](const DesktopWindow& window) {
                return window.id == id && area.contains(window.rect);
            });
        },
        boundMs);
}

QString DesktopWindows::describe(qint64 pid, WindowSystem system)
{
    QStringList parts;
    for (const DesktopWindow& window : of(pid, system))
        parts << u"%1 \"%2\" %3,%4 %5x%6"_s.arg(window.id, window.title)
                     .arg(window.rect.x())
                     .arg(window.rect.y())
                     .arg(window.rect.width())
                     .arg(window.rect.height());
    return parts.join(u"; "_s);
}

} // namespace tallyvane::testing
