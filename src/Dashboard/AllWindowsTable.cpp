#include "AllWindowsTable.h"

#include "AllWindowsModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace tallyvane {

namespace {

// Starting widths: provider, window, the two shares, reset; the source takes the rest.
constexpr int providerWidth = 110;
constexpr int windowWidth = 170;
constexpr int numericWidth = 100;
constexpr int resetWidth = 130;
// Right-aligned shares would otherwise touch the left-aligned column after them.
constexpr int leadingPadding = 8;
constexpr int trailingPadding = 16;
// The style's own margin around cell text, which header sections do not have.
constexpr int styleTextMargin = 3;

// Draws the row background over the whole cell and the text inside the padding.
class PaddedItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, cell.widget);
        cell.rect.adjust(leadingPadding, 0, -trailingPadding, 0);
        cell.features &= ~QStyleOptionViewItem::Alternate;
        cell.backgroundBrush = Qt::NoBrush;
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    }
};

} // namespace

AllWindowsTable::AllWindowsTable(QWidget* parent)
    : QTableView(parent)
    , m_model(new AllWindowsModel(this))
{
    setModel(m_model);
    setObjectName(QStringLiteral("allWindowsTable"));
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setItemDelegate(new PaddedItemDelegate(this));
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { padding-left: %1px; padding-right: %2px; }")
            .arg(leadingPadding + styleTextMargin)
            .arg(trailingPadding + styleTextMargin));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 14);

    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(60);
    header->resizeSection(AllWindowsModel::provider, providerWidth);
    header->resizeSection(AllWindowsModel::window, windowWidth);
    header->resizeSection(AllWindowsModel::consumed, numericWidth);
    header->resizeSection(AllWindowsModel::remaining, numericWidth);
    header->resizeSection(AllWindowsModel::reset, resetWidth);
}

void AllWindowsTable::setProviders(const QList<ProviderViewState>& providers, Instant now)
{
    m_model->setProviders(providers, now);
    updateGeometry();
}

void AllWindowsTable::setNow(Instant now)
{
    m_model->setNow(now);
}

int AllWindowsTable::contentHeight() const
{
    const int rows = std::max(m_model->rowCount(), 1);
    return horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize() +
           2 * frameWidth() + 2 + (horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0);
}

QSize AllWindowsTable::sizeHint() const
{
    return {QTableView::sizeHint().width(), contentHeight()};
}

QSize AllWindowsTable::minimumSizeHint() const
{
    return {QTableView::minimumSizeHint().width(), contentHeight()};
}

} // namespace tallyvane
