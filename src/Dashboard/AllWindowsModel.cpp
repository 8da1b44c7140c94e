#include "AllWindowsModel.h"

#include "WindowRow.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsageWindowSelection.h>
#include <UsageViews/UsageWindowText.h>

namespace tallyvane {

namespace {

QString shareText(std::optional<double> fraction)
{
    return fraction ? UsageWindowText::percentText(fraction) : localized("Unavailable");
}

} // namespace

AllWindowsModel::AllWindowsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void AllWindowsModel::setProviders(const QList<ProviderViewState>& providers, Instant now)
{
    beginResetModel();
    m_now = now;
    m_rows.clear();
    for (const ProviderViewState& state : providers) {
        const QString name = state.descriptor.displayName.isEmpty() ? displayName(state.service)
                                                                    : state.descriptor.displayName;
        for (const UsageWindowSample& window : UsageWindowSelection::latestPerBucket(state.windows))
            m_rows.append({name, window});
    }
    endResetModel();
}

void AllWindowsModel::setNow(Instant now)
{
    m_now = now;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, reset), index(rowCount() - 1, reset), {Qt::DisplayRole});
}

int AllWindowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AllWindowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

QString AllWindowsModel::text(const Row& row, int column) const
{
    switch (column) {
    case provider:
        return row.providerName;
    case window:
        return WindowRow::windowName(row.window);
    case consumed:
        return shareText(UsageWindowText::usedFraction(row.window));
    case remaining:
        return shareText(WindowRow::remainingFraction(row.window));
    case reset:
        return UsageWindowText::resetText(row.window, m_now);
    case source:
        return row.window.source.displayName.isEmpty() ? localized("Unknown") : row.window.source.displayName;
    default:
        return {};
    }
}

QVariant AllWindowsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(row, index.column());
    case Qt::ToolTipRole:
        return index.column() == reset ? UsageWindowText::spanHelp(row.window, m_now) : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == consumed || index.column() == remaining)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant AllWindowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return (section == consumed || section == remaining)
                   ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case provider:
        return localized("Provider");
    case window:
        return localized("Window");
    case consumed:
        return localized("Consumed");
    case remaining:
        return localized("Remaining");
    case reset:
        return localized("Reset");
    case source:
        return localized("Source");
    default:
        return {};
    }
}

} // namespace tallyvane
