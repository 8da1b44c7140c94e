#include "FocusRing.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

namespace tallyvane {

namespace {
QPointer<FocusRing>& instance()
{
    static QPointer<FocusRing> ring;
    return ring;
}
} // namespace

void FocusRing::install()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    // The ring sits inside the focused control's window and goes when that window is deleted;
    // a new one is made for the next control.
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        if (!instance())
            instance() = new FocusRing;
        instance()->follow(now);
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { delete instance(); });
}

void FocusRing::follow(QWidget* focused)
{
    // Only focus that came from the keyboard; a window's own focus needs no ring.
    const bool byKeyboard = focused && !focused->isWindow() && focused->window() &&
                            focused->window()->testAttribute(Qt::WA_KeyboardFocusChange);
    setWidget(byKeyboard ? focused : nullptr);
    if (byKeyboard)
        update();
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}

} // namespace tallyvane
