#pragma once

#include <UsageViews/ViewServices.h>

#include <QWidget>

#include <functional>

namespace tallyvane {

class DashboardView;

// The detailed window, opened from the popover or at launch when there is no tray. Its
// content scrolls as a whole; showing it starts the model if nothing else has.
class DashboardWindow : public QWidget {
    Q_OBJECT
public:
    DashboardWindow(const ViewServices& services, std::function<void()> openSettings,
                    QWidget* parent = nullptr);

    DashboardView* view() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    UsageAppModel& m_model;
    DashboardView* m_view;
};

} // namespace tallyvane
