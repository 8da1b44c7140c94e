#include "WidgetImageRenderer.h"

namespace tallyvane {

QImage renderWidgetImage(const UsageTimelineEntry& entry, UsageWidgetView::Family family, WidgetDate now,
                         qreal devicePixelRatio)
{
    UsageWidgetView view;
    view.setClock([now] { return now; });
    view.setFamily(family);
    view.setEntry(entry);
    const QSize size = UsageWidgetView::familySize(family);

    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace tallyvane
