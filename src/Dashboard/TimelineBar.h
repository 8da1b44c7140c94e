#pragma once

#include <ProviderKit/ProviderService.h>

#include <QWidget>

#include <optional>

namespace tallyvane {

// The bar of a countdown: the elapsed share of a window's span in the provider's colours,
// with a marker at now and, with a forecast, the pace dotted from now to the reset.
class TimelineBar : public QWidget {
    Q_OBJECT
public:
    explicit TimelineBar(ProviderService service, QWidget* parent = nullptr);

    struct Projection {
        // Where along the span the allowance runs out; from there on the dots warn.
        std::optional<double> runsOutFraction;
    };

    void setElapsedFraction(double fraction);
    void setProjection(const std::optional<Projection>& projection);
    const std::optional<Projection>& projection() const { return m_projection; }
    double elapsedFraction() const { return m_elapsed; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProviderService m_service;
    double m_elapsed = 0;
    std::optional<Projection> m_projection;
};

} // namespace tallyvane
