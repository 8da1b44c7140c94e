#pragma once

#include <ProviderKit/ProviderService.h>

#include <QColor>
#include <QWidget>

namespace tallyvane {

// A service's mark at a fixed size, in the surrounding text colour unless given a tint.
class ProviderMark : public QWidget {
    Q_OBJECT
public:
    ProviderMark(ProviderService service, int size, QWidget* parent = nullptr);

    void setTint(const QColor& tint);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProviderService m_service;
    const int m_size;
    QColor m_tint;
};

} // namespace tallyvane
