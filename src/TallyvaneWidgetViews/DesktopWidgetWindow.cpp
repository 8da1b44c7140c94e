#include "DesktopWidgetWindow.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace tallyvane {

DesktopWidgetWindow::DesktopWidgetWindow(UsageTimelineProvider provider, UsageWidgetView::Family family,
                                         QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnBottomHint)
    , m_provider(std::move(provider))
    , m_view(new UsageWidgetView(this))
{
    // The rounded corners need the window itself to be see-through around them.
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Tallyvane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setFamily(family);
    setFixedSize(UsageWidgetView::familySize(family));

    m_view->setEntry(m_provider.placeholder());
    m_view->setRedacted(true);

    m_reloadTimer.setSingleShot(true);
    connect(&m_reloadTimer, &QTimer::timeout, this, &DesktopWidgetWindow::reload);
    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, m_view, &UsageWidgetView::refreshTimes);
    reload();
}

std::chrono::milliseconds DesktopWidgetWindow::reloadDelay(WidgetDate reloadAfter, WidgetDate loadedAt,
                                                           WidgetDate now)
{
    const WidgetDate earliest = loadedAt.addingSeconds(double(minimumReloadSpacing.count()));
    // The application shares this machine's clock, so a document dated ahead of it can only come
    // from a clock that was set back: it must not hold the widget still for that long.
    const WidgetDate latest = loadedAt.addingSeconds(UsageTimelineProvider::reloadInterval);
    const WidgetDate next = std::clamp(reloadAfter, earliest, latest);
    return std::chrono::milliseconds(qint64(std::ceil(std::max(0.0, next.secondsSince(now)) * 1000)));
}

void DesktopWidgetWindow::reload()
{
    if (m_loading)
        return;
    m_reloadTimer.stop();
    load();
}

QCoro::Task<> DesktopWidgetWindow::load()
{
    m_loading = true;
    const QPointer<DesktopWidgetWindow> self(this);
    const UsageTimelineProvider provider = m_provider;
    QCoro::Task<UsageTimeline> loading = provider.timeline();
    const UsageTimeline timeline = co_await loading;
    if (!self)
        co_return;
    m_loading = false;
    if (!timeline.entries.isEmpty()) {
        m_view->setEntry(timeline.entries.first());
        m_view->setRedacted(false);
    }
    const WidgetDate now = WidgetDate::now();
    m_reloadTimer.start(reloadDelay(timeline.reloadAfter, now, now));
    Q_EMIT loaded();
}

void DesktopWidgetWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // Let the window manager move it where it can (Wayland allows nothing else).
        if (windowHandle() && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    }
}

void DesktopWidgetWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void DesktopWidgetWindow::mouseReleaseEvent(QMouseEvent*)
{
    m_dragOffset.reset();
}

void DesktopWidgetWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QCoreApplication::translate("TallyvaneWidget", "Close", "Desktop widget menu action"),
                   this, &QWidget::close);
    menu.exec(event->globalPos());
}

void DesktopWidgetWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void DesktopWidgetWindow::showEvent(QShowEvent*)
{
    m_view->refreshTimes();
    m_clockTimer.start();
}

void DesktopWidgetWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

void DesktopWidgetWindow::hideEvent(QHideEvent*)
{
    m_clockTimer.stop();
}

} // namespace tallyvane
