#pragma once

#include "ViewServices.h"

#include <ProviderKit/ProviderService.h>

#include <QWidget>

namespace tallyvane {

class ProviderConnectionBadge;
class ProviderConnectionButton;

// Mark, name, optional description, badge and button of one service in one row.
class ProviderConnectionRow : public QWidget {
    Q_OBJECT
public:
    ProviderConnectionRow(const ViewServices& services, ProviderService service, const QString& description,
                          QWidget* parent = nullptr);

    ProviderConnectionBadge* badge() const { return m_badge; }
    ProviderConnectionButton* button() const { return m_button; }

private:
    ProviderConnectionBadge* m_badge = nullptr;
    ProviderConnectionButton* m_button = nullptr;
};

} // namespace tallyvane
