#pragma once

#include <QFocusFrame>

namespace tallyvane {

// A ring in the highlight colour around the control that the keyboard moved the focus to.
// Styles show focus unevenly: Fusion draws none on flat buttons, and on a default button the
// focus outline is the default outline it always has. One ring for the whole application
// follows the focus; a pointer click hides it again.
class FocusRing : public QFocusFrame {
    Q_OBJECT
public:
    // Starts following the focus; idempotent.
    static void install();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FocusRing() = default;
    void follow(QWidget* focused);
};

} // namespace tallyvane
