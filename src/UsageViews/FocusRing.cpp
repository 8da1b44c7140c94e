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
    if (instance() || !qApp)
        return;
    auto* ring = new FocusRing;
    instance() = ring;
    QObject::connect(qApp, &QApplication::focusChanged, ring,
                     [ring](QWidget*, QWidget* now) { ring->follow(now); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, ring, &QObject::deleteLater);
}

FocusRing* FocusRing::current()
{
    FocusRing* ring = instance();
    return ring && ring->widget() ? ring : nullptr;
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
