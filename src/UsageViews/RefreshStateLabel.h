#pragma once

#include "ViewServices.h"

#include <QLabel>
#include <QTimer>

#include <optional>

namespace tallyvane {

// "Refreshing", "Awaiting data" or "Updated <relative time>", kept current by the model's
// signals and a one-minute timer.
class RefreshStateLabel : public QLabel {
    Q_OBJECT
public:
    explicit RefreshStateLabel(const ViewServices& services, QWidget* parent = nullptr);

    static QString text(bool refreshing, std::optional<Instant> lastUpdatedAt, Instant now);

private:
    void refresh();

    const ViewServices& m_services;
    QTimer m_tick;
};

} // namespace tallyvane
