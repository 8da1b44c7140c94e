#include "DashboardWindow.h"

#include "DashboardView.h"

#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>

#include <QScrollArea>
#include <QVBoxLayout>

namespace tallyvane {

DashboardWindow::DashboardWindow(const ViewServices& services, std::function<void()> openSettings,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(services.model)
    , m_view(new DashboardView(services, std::move(openSettings)))
{
    setWindowTitle(localized("Tallyvane"));
    setObjectName(QStringLiteral("dashboardWindow"));
    resize(980, 720);
    setMinimumSize(640, 480);
    // Closing hides the window; the application lives on in the tray.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_view);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void DashboardWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model.start();
}

} // namespace tallyvane
