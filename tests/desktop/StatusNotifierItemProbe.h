#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace tallyvane::testing {

// A menu entry as the item exports it over com.canonical.dbusmenu.
struct ExportedMenuEntry {
    int id = 0;
    QString label; // mnemonic underscores removed
    bool separator = false;
};

// Reads a StatusNotifierItem the way a tray host does: the watcher's list, the item's
// properties, its menu, and the calls a click makes.
class StatusNotifierItemProbe {
public:
    // The item the process with this pid registered with the watcher, waiting up to boundMs.
    static std::optional<StatusNotifierItemProbe> find(qint64 pid, int boundMs);
    static bool watcherPresent();

    std::optional<QString> stringProperty(const QString& name) const;
    std::optional<QString> menuPath() const;
    // Every exported size, converted to ARGB32.
    QList<QImage> iconPixmaps() const;
    // The tooltip's title and text, joined by a line feed.
    std::optional<QString> toolTip() const;

    QList<ExportedMenuEntry> menuEntries() const;
    // Clicks the entry with this label, as a host does; false when there is none.
    bool clickMenuEntry(const QString& label) const;
    bool activate(int x, int y) const;

private:
    std::optional<QVariant> property(const QString& name) const;
    StatusNotifierItemProbe(QString service, QString path)
        : m_service(std::move(service))
        , m_path(std::move(path))
    {
    }

    QString m_service;
    QString m_path;
};

} // namespace tallyvane::testing
