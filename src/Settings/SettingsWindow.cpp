#include "SettingsWindow.h"

#include "UsageSettingsView.h"

#include <UsageDomain/Localizable.h>

#include <QKeyEvent>
#include <QVBoxLayout>

namespace tallyvane {

SettingsWindow::SettingsWindow(const ViewServices& services, UsageNotificationController& notifications,
                               LoginItemController& loginItem, SaveFileChooser chooseFile, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_content(new UsageSettingsView(services, notifications, loginItem, std::move(chooseFile), this))
{
    setWindowTitle(localized("Tallyvane Settings"));
    setMinimumSize(620, 520);
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
}

void SettingsWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tallyvane
