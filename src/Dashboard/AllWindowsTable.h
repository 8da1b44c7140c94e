#pragma once

#include <TallyvaneUI/ProviderViewState.h>

#include <QTableView>

namespace tallyvane {

class AllWindowsModel;

// The table of every window. Column widths are the user's to drag while the window lives;
// the table is as tall as its rows because the dashboard scrolls as a whole.
class AllWindowsTable : public QTableView {
    Q_OBJECT
public:
    explicit AllWindowsTable(QWidget* parent = nullptr);

    void setProviders(const QList<ProviderViewState>& providers, Instant now);
    void setNow(Instant now);
    AllWindowsModel* windowsModel() const { return m_model; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int contentHeight() const;

    AllWindowsModel* m_model;
};

} // namespace tallyvane
