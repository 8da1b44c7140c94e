#pragma once

#include <QRect>

class QWidget;

namespace tallyvane {

// Where the application's windows go: always inside the available area of one screen (the
// screen less its panels), shrunk to that area where a window is bigger than it.
class WindowPlacement {
public:
    // `wanted` moved, and shrunk where it is larger, so that it lies inside `available`.
    static QRect fitted(QRect wanted, const QRect& available);
    // A rectangle of `size` centred in `available`, fitted.
    static QRect centred(QSize size, const QRect& available);
    // A rectangle of `size` next to `anchor` (the tray item, or the point it was activated at):
    // below an anchor in the upper half of the area, above one in the lower half, centred on it
    // across, `gap` pixels away, fitted. An anchor inside a panel therefore never puts the
    // rectangle under that panel.
    static QRect beside(const QRect& anchor, QSize size, const QRect& available, int gap);
    // The available area of the screen showing `point`, else of the primary screen.
    static QRect availableAround(QPoint point);
    // The part of `available` a window opened from a panel item may use. Where the screen
    // reports no panels at all (X clients of wlroots compositors are told no work area), bars
    // along the top and bottom edges are assumed: `assumedPanel` pixels thick, or as thick as
    // twice the anchor's distance from the edge where the anchor lies near one (a bar centres
    // its items across its thickness).
    static QRect clearOfUnreportedPanels(const QRect& available, const QRect& screen, const QRect& anchor);
    // clearOfUnreportedPanels for the screen showing `anchor`.
    static QRect availableBeside(const QRect& anchor);
    static constexpr int assumedPanel = 40;

    // Gives a top-level window the frame rectangle `frame`, lowering its minimum size where
    // the frame would otherwise not hold it.
    static void apply(QWidget& window, const QRect& frame);
    // Centres the window, as large as it is, on the screen under the pointer.
    static void centre(QWidget& window);
    // Moves a shown window, and shrinks it, back inside its screen's available area: its
    // decorations are only known once it is shown.
    static void keepInside(QWidget& window);
};

} // namespace tallyvane
