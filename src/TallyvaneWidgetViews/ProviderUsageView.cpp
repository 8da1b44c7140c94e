#include "ProviderUsageView.h"

#include "WidgetPainting.h"
#include "WidgetStyle.h"
#include <TallyvaneWidget/WidgetTexts.h>

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tallyvane {

namespace {

constexpr int dotSize = 6;
constexpr int titleSpacing = 5;
constexpr int captionSpacing = 4;
constexpr int barHeight = 4;
constexpr qreal nameLetterSpacing = 0.8;

QFont nameFont()
{
    return WidgetStyle::font(WidgetStyle::TextStyle::caption, QFont::Bold);
}

QFont percentFont(bool compact)
{
    return WidgetStyle::font(compact ? WidgetStyle::TextStyle::callout : WidgetStyle::TextStyle::title2,
                             QFont::Bold);
}

QFont captionFont()
{
    return WidgetStyle::font(WidgetStyle::TextStyle::caption2);
}

QFont messageFont()
{
    return WidgetStyle::font(WidgetStyle::TextStyle::caption);
}

int lineHeight(const QFont& font)
{
    return qCeil(QFontMetricsF(font).height());
}

} // namespace

ProviderUsageView::ProviderUsageView(QWidget* parent)
    : QWidget(parent)
    , m_clock(&WidgetDate::now)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    refresh();
}

void ProviderUsageView::setProvider(const WidgetProviderUsage& provider)
{
    m_provider = provider;
    refresh();
}

void ProviderUsageView::setCompact(bool compact)
{
    m_compact = compact;
    refresh();
}

void ProviderUsageView::setRedacted(bool redacted)
{
    m_redacted = redacted;
    update();
}

void ProviderUsageView::setClock(WidgetClock clock)
{
    m_clock = std::move(clock);
    update();
}

void ProviderUsageView::refresh()
{
    setAccessibleName(WidgetTexts::providerAccessibleName(m_provider));
    updateGeometry();
    update();
}

ProviderUsageView::Content ProviderUsageView::content() const
{
    Content content{.name = displayName(m_provider.service)};
    if (m_provider.windows.isEmpty()) {
        content.message = WidgetTexts::stateMessage(m_provider.state);
        return content;
    }
    // Only the first window is shown; the rest stay in the application's own views.
    const WidgetWindow& window = m_provider.windows.first();
    content.percent = WidgetTexts::percent(window.usedFraction);
    content.barFraction = std::clamp(window.usedFraction, 0.0, 1.0);
    if (!m_compact) {
        content.windowName = WidgetTexts::windowDisplayName(window.name);
        if (window.resetAt)
            content.resetCountdown =
                RelativeTimeFormatter::countdown(window.resetAt->secondsSince(m_clock()));
    }
    return content;
}

int ProviderUsageView::titleRowHeight() const
{
    int height = std::max(dotSize, lineHeight(nameFont()));
    if (!m_provider.windows.isEmpty())
        height = std::max(height, lineHeight(percentFont(m_compact)));
    return height;
}

QSize ProviderUsageView::sizeHint() const
{
    int height = titleRowHeight() + rowSpacing();
    if (m_provider.windows.isEmpty())
        height += lineHeight(messageFont());
    else if (m_compact)
        height += barHeight;
    else
        height += barHeight + rowSpacing() + lineHeight(captionFont());
    return {WidgetStyle::smallWidth - 2 * WidgetStyle::contentMargin, height};
}

void ProviderUsageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Content shown = content();
    const QColor text = palette().color(QPalette::WindowText);
    const QColor secondary = WidgetStyle::secondaryText(palette());
    const QColor tint = WidgetStyle::serviceColor(m_provider.service, palette());
    const qreal width = this->width();

    // Title row: dot, name, percentage, centred on one line.
    const qreal rowHeight = titleRowHeight();
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawEllipse(QRectF(0, (rowHeight - dotSize) / 2, dotSize, dotSize));
    qreal x = dotSize + titleSpacing;
    x += WidgetPainting::drawLine(painter, QRectF(x, 0, width - x, rowHeight), shown.name, nameFont(), text,
                                  false, nameLetterSpacing);
    if (shown.percent) {
        x += titleSpacing;
        WidgetPainting::drawLine(painter, QRectF(x, 0, std::max(0.0, width - x), rowHeight), *shown.percent,
                                 percentFont(m_compact), text, m_redacted);
    }
    qreal y = rowHeight + rowSpacing();

    if (shown.message) {
        WidgetPainting::drawLine(painter, QRectF(0, y, width, lineHeight(messageFont())), *shown.message,
                                 messageFont(), secondary, m_redacted);
        return;
    }

    if (shown.barFraction) {
        const QRectF track(0, y, width, barHeight);
        QPainterPath trackPath;
        trackPath.addRoundedRect(track, barHeight / 2.0, barHeight / 2.0);
        painter.fillPath(trackPath, WidgetPainting::redactionColor(text));
        if (!m_redacted && *shown.barFraction > 0) {
            QPainterPath fill;
            fill.addRoundedRect(
                QRectF(track.topLeft(),
                       QSizeF(std::max(barHeight * 1.0, width * *shown.barFraction), barHeight)),
                barHeight / 2.0, barHeight / 2.0);
            painter.fillPath(fill, tint);
        }
        y += barHeight + rowSpacing();
    }

    if (shown.windowName) {
        const QRectF line(0, y, width, lineHeight(captionFont()));
        const qreal used =
            WidgetPainting::drawLine(painter, line, *shown.windowName, captionFont(), secondary, m_redacted);
        if (shown.resetCountdown) {
            const qreal left = used + captionSpacing;
            WidgetPainting::drawLine(painter, line.adjusted(left, 0, 0, 0), *shown.resetCountdown,
                                     captionFont(), secondary, m_redacted);
        }
    }
}

} // namespace tallyvane
