#include "ProviderMarkImage.h"

#include "SymbolIcon.h"
#include "TintedSvgIconEngine.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPalette>
#include <QSvgRenderer>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::ProviderMarkImage {

namespace {

QMutex cacheLock;

// The artwork of a service, read once; the gauge symbol's when the mark is missing.
QByteArray artwork(ProviderService service)
{
    static QHash<ProviderService, QByteArray> loaded;
    const QMutexLocker locker(&cacheLock);
    auto found = loaded.constFind(service);
    if (found != loaded.constEnd())
        return *found;
    QFile mark(u":/tallyvane/marks/"_s + resourceName(service) + u".svg"_s);
    QFile fallback(SymbolIcon::resourcePath(u"gauge.with.dots.needle.67percent"_s));
    QByteArray data = mark.open(QIODevice::ReadOnly) ? mark.readAll() : QByteArray();
    if (data.isEmpty() && fallback.open(QIODevice::ReadOnly))
        data = fallback.readAll();
    loaded.insert(service, data);
    return data;
}

} // namespace

QString resourceName(ProviderService service)
{
    return service == ProviderService::codex ? u"CodexMarkTemplate"_s : u"ClaudeMarkTemplate"_s;
}

QPixmap pixmap(ProviderService service, int logicalSize, const QColor& tint, qreal devicePixelRatio)
{
    const QColor ink = tint.isValid() ? tint : QApplication::palette().color(QPalette::WindowText);
    const int side = qMax(1, qRound(logicalSize * devicePixelRatio));
    QSvgRenderer renderer(artwork(service));
    QPixmap result = QPixmap::fromImage(TintedSvgIconEngine::render(renderer, QSize(side, side), ink));
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

} // namespace tallyvane::ProviderMarkImage
