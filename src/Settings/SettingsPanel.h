#pragma once

#include <UsageViews/SurfaceCard.h>

class QVBoxLayout;

namespace tallyvane {

// A grouped card of settings rows, with a thin line between neighbouring rows.
class SettingsPanel : public SurfaceCard {
    Q_OBJECT
public:
    explicit SettingsPanel(QWidget* parent = nullptr);

    // Takes ownership of the row.
    void addRow(QWidget* row);

private:
    QVBoxLayout* m_rows;
};

} // namespace tallyvane
