#pragma once

#include <QIcon>
#include <QWidget>

namespace tallyvane {

// An icon painted at a fixed logical size; unlike a label's pixmap it is drawn for the pixel
// ratio of whatever it paints on, so it stays sharp in scaled renders and on mixed screens.
class IconView : public QWidget {
    Q_OBJECT
public:
    IconView(const QIcon& icon, int size, QWidget* parent = nullptr);

    void setIcon(const QIcon& icon);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon m_icon;
    const int m_size;
};

} // namespace tallyvane
