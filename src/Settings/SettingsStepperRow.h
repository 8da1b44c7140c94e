#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

namespace tallyvane {

// A number of seconds changed in fixed steps within bounds, labelled in whole minutes
// (truncated) through a format with one %1. A stored value outside the bounds is shown as it
// is; the first step brings it inside.
class SettingsStepperRow : public QWidget {
    Q_OBJECT
public:
    struct Range {
        double minimum;
        double maximum;
        double step;
    };

    SettingsStepperRow(const QString& labelFormat, Range range, QWidget* parent = nullptr);

    double seconds() const { return m_seconds; }
    void setSeconds(double seconds);
    QString text() const;
    QToolButton* decreaseButton() const { return m_decrease; }
    QToolButton* increaseButton() const { return m_increase; }

Q_SIGNALS:
    // Only for the user's own steps.
    void steppedByUser(double seconds);

private:
    void step(int direction);

    QString m_format;
    Range m_range;
    double m_seconds = 0;
    QLabel* m_label;
    QToolButton* m_decrease;
    QToolButton* m_increase;
};

} // namespace tallyvane
