#pragma once

#include <UsagePresentation/MenuBarProjection.h>

#include <QWidget>

namespace tallyvane {

// The projection drawn as the menu-bar item shows it: per entry the provider's mark and its
// text, both in the accent colour.
class MenuBarLabelView : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarLabelView(QWidget* parent = nullptr);

    void setProjection(const MenuBarProjection& projection);
    const MenuBarProjection& projection() const { return m_projection; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int markSize = 16;
    static constexpr int markGap = 4;
    static constexpr int entryGap = 12;

    MenuBarProjection m_projection;
};

} // namespace tallyvane
