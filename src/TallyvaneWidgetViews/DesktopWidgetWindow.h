#pragma once

#include "UsageWidgetView.h"
#include <TallyvaneWidget/UsageTimelineProvider.h>

#include <QPointer>
#include <QTimer>

#include <optional>

namespace tallyvane {

// The widget on the desktop: a frameless window below the others and outside the task bar. It
// shows the placeholder with its figures hidden until the first load arrives, then reloads at
// each timeline's reload date, but never sooner than a minute after the last load.
class DesktopWidgetWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds minimumReloadSpacing{60};

    explicit DesktopWidgetWindow(UsageTimelineProvider provider, UsageWidgetView::Family family,
                                 QWidget* parent = nullptr);

    UsageWidgetView* view() const { return m_view; }
    // How long until the next load: the reload date, kept between one minute and one quarter hour
    // after the load that finished at `loadedAt`.
    static std::chrono::milliseconds reloadDelay(WidgetDate reloadAfter, WidgetDate loadedAt, WidgetDate now);

Q_SIGNALS:
    void loaded();
    void closed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Starts a load unless one is running.
    void reload();
    QCoro::Task<> load();

    UsageTimelineProvider m_provider;
    UsageWidgetView* m_view;
    QTimer m_reloadTimer;
    // Keeps countdowns and the footer's relative time moving between loads.
    QTimer m_clockTimer;
    bool m_loading = false;
    std::optional<QPoint> m_dragOffset;
};

} // namespace tallyvane
