#pragma once

#include <ProviderKit/ProviderService.h>

#include <QWidget>

#include <optional>

namespace tallyvane {

// The bar of a countdown: the elapsed share of a window's span in the provider's colours,
// with a marker at now.
class TimelineBar : public QWidget {
    Q_OBJECT
public:
    explicit TimelineBar(ProviderService service, QWidget* parent = nullptr);

    void setElapsedFraction(double fraction);
    double elapsedFraction() const { return m_elapsed; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProviderService m_service;
    double m_elapsed = 0;
};

} // namespace tallyvane
