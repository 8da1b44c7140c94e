#pragma once

#include <TallyvaneUI/ProviderViewState.h>

#include <QAbstractTableModel>

namespace tallyvane {

// Every window each provider currently reports, newest observation of each bucket, one row
// per window in provider order.
class AllWindowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { provider, window, consumed, remaining, reset, source, columnCount_ };

    explicit AllWindowsModel(QObject* parent = nullptr);

    void setProviders(const QList<ProviderViewState>& providers, Instant now);
    // Reset times are relative, so they are rewritten as time passes.
    void setNow(Instant now);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString providerName;
        UsageWindowSample window;
    };
    QString text(const Row& row, int column) const;

    QList<Row> m_rows;
    Instant m_now;
};

} // namespace tallyvane
