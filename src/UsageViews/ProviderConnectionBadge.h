#pragma once

#include <ProviderKit/ProviderConnectionStatus.h>
#include <ProviderKit/ProviderService.h>

#include <QLabel>

namespace tallyvane {

class UsageAppModel;

// A small pill naming a service's connection status, kept current by the model.
class ProviderConnectionBadge : public QLabel {
    Q_OBJECT
public:
    ProviderConnectionBadge(UsageAppModel& model, ProviderService service, QWidget* parent = nullptr);

    static QString label(ProviderConnectionStatus status);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    QColor tone() const;

    UsageAppModel& m_model;
    const ProviderService m_service;
    ProviderConnectionStatus m_status = ProviderConnectionStatus::checking;
};

} // namespace tallyvane
