#pragma once

#include <QFrame>

class QLabel;

namespace tallyvane {

// One figure with its caption and an optional quieter detail line below it.
class MetricTile : public QFrame {
    Q_OBJECT
public:
    explicit MetricTile(const QString& title, QWidget* parent = nullptr);

    void setValue(const QString& value, const QString& detail = {});
    QString title() const;
    QString value() const;
    QString detail() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title;
    QLabel* m_value;
    QLabel* m_detail;
};

} // namespace tallyvane
