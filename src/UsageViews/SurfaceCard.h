#pragma once

#include <QFrame>

namespace tallyvane {

// The rounded, slightly raised card every card and panel sits on. Lay children out in it as
// in any frame; its margins leave room for the corner radius.
class SurfaceCard : public QFrame {
    Q_OBJECT
public:
    explicit SurfaceCard(QWidget* parent = nullptr);

    static constexpr qreal cornerRadius = 12;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tallyvane
