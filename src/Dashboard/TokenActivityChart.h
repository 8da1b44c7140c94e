#pragma once

#include <TallyvaneUI/HistoryPoint.h>

#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QStackedLayout;

namespace tallyvane {

// Daily token totals, one line per provider in its colour, or an explanation while no
// provider has reported any.
class TokenActivityChart : public QWidget {
    Q_OBJECT
public:
    explicit TokenActivityChart(QWidget* parent = nullptr);

    void setPoints(const QList<HistoryPoint>& points);
    bool isShowingChart() const;
    QChart* chart() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeEmptyState();
    void rebuild();
    void applyPalette();

    QList<HistoryPoint> m_points;
    QStackedLayout* m_stack;
    QChartView* m_view;
    QWidget* m_chartPage;
    QWidget* m_emptyPage;
};

} // namespace tallyvane
