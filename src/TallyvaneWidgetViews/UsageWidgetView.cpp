#include "UsageWidgetView.h"

#include "ProviderUsageView.h"
#include "WidgetFooterLine.h"
#include "WidgetPainting.h"
#include "WidgetStyle.h"
#include <TallyvaneWidget/WidgetTexts.h>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

constexpr int accentBarWidth = 5;
constexpr int accentBarHeight = 18;
constexpr int headerSpacing = 8;
constexpr int minimumHeaderGap = 4;
constexpr int stackedSpacing = 9;
constexpr int sideBySideSpacing = 16;

QFont titleFont()
{
    return WidgetStyle::font(WidgetStyle::TextStyle::headline);
}

// The refresh symbol is drawn in the accent colour whatever colours the theme gave it.
QPixmap tinted(const QIcon& icon, int size, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    if (icon.isNull())
        QSvgRenderer(u":/tallyvane-widget/arrow-clockwise.svg"_s).render(&painter, QRectF(0, 0, size, size));
    else
        icon.paint(&painter, QRect(0, 0, size, size));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(0, 0, size, size), WidgetStyle::accent());
    return pixmap;
}

} // namespace

UsageWidgetView::UsageWidgetView(QWidget* parent)
    : QWidget(parent)
    , m_clock(&WidgetDate::now)
    , m_footer(new WidgetFooterLine(this))
    // Our own drawing stands in where the desktop's icon theme has none; it is drawn straight
    // from its vector form so that it stays sharp at any scale.
    , m_refreshSymbol(QIcon::fromTheme(u"view-refresh"_s))
{
    setAccessibleName(u"Tallyvane"_s);
    resize(familySize(m_family));
}

QSize UsageWidgetView::familySize(Family family)
{
    return {family == Family::small ? WidgetStyle::smallWidth : WidgetStyle::mediumWidth,
            WidgetStyle::height};
}

void UsageWidgetView::setFamily(Family family)
{
    m_family = family;
    rebuildProviders();
    updateGeometry();
    // A hidden widget hears of its new size only when shown; lay out for it now.
    resize(familySize(family));
    relayout();
}

void UsageWidgetView::setEntry(const UsageTimelineEntry& entry)
{
    m_entry = entry;
    rebuildProviders();
    refreshTimes();
    relayout();
}

void UsageWidgetView::setRedacted(bool redacted)
{
    m_redacted = redacted;
    for (ProviderUsageView* view : m_providerViews)
        view->setRedacted(redacted);
    m_footer->setRedacted(redacted);
}

void UsageWidgetView::setClock(WidgetClock clock)
{
    m_clock = std::move(clock);
    for (ProviderUsageView* view : m_providerViews)
        view->setClock(m_clock);
    refreshTimes();
}

void UsageWidgetView::refreshTimes()
{
    const WidgetDate now = m_clock();
    m_footer->setText(WidgetTexts::footer(m_entry.snapshot, now),
                      WidgetTexts::footerAccessibleName(m_entry.snapshot, now));
    for (ProviderUsageView* view : m_providerViews)
        view->update();
}

void UsageWidgetView::rebuildProviders()
{
    const QList<WidgetProviderUsage>& providers = m_entry.snapshot.providers;
    while (m_providerViews.size() > providers.size())
        delete m_providerViews.takeLast();
    while (m_providerViews.size() < providers.size()) {
        auto* view = new ProviderUsageView(this);
        view->setClock(m_clock);
        view->show();
        m_providerViews.append(view);
    }
    for (qsizetype i = 0; i < providers.size(); ++i) {
        ProviderUsageView* view = m_providerViews[i];
        view->setCompact(m_family == Family::small);
        view->setProvider(providers[i]);
        view->setRedacted(m_redacted);
    }
}

int UsageWidgetView::headerHeight() const
{
    return std::max(accentBarHeight, qCeil(QFontMetricsF(titleFont()).height()));
}

void UsageWidgetView::resizeEvent(QResizeEvent*)
{
    relayout();
}

void UsageWidgetView::relayout()
{
    const QRect content = rect().adjusted(WidgetStyle::contentMargin, WidgetStyle::contentMargin,
                                          -WidgetStyle::contentMargin, -WidgetStyle::contentMargin);
    int providersHeight = 0;
    if (m_family == Family::small) {
        for (const ProviderUsageView* view : m_providerViews)
            providersHeight += view->sizeHint().height();
        providersHeight += stackedSpacing * std::max<qsizetype>(0, m_providerViews.size() - 1);
    } else {
        for (const ProviderUsageView* view : m_providerViews)
            providersHeight = std::max(providersHeight, view->sizeHint().height());
    }
    const int footerHeight = m_footer->sizeHint().height();
    const int total = headerHeight() + rowSpacing() + providersHeight + rowSpacing() + footerHeight;
    // The column sits in the middle of the widget when it is shorter than the space.
    int y = content.top() + std::max(0, (content.height() - total) / 2);
    m_headerTop = y;
    y += headerHeight() + rowSpacing();

    if (m_family == Family::small) {
        for (ProviderUsageView* view : m_providerViews) {
            const int height = view->sizeHint().height();
            view->setGeometry(content.left(), y, content.width(), height);
            y += height + stackedSpacing;
        }
        if (!m_providerViews.isEmpty())
            y -= stackedSpacing;
    } else if (!m_providerViews.isEmpty()) {
        const auto count = int(m_providerViews.size());
        const int width = (content.width() - sideBySideSpacing * (count - 1)) / count;
        for (int i = 0; i < count; ++i)
            m_providerViews[i]->setGeometry(content.left() + i * (width + sideBySideSpacing), y, width,
                                            m_providerViews[i]->sizeHint().height());
        y += providersHeight;
    }
    y += rowSpacing();
    m_footer->setGeometry(content.left(), y, content.width(), footerHeight);
    update();
}

void UsageWidgetView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Background: the window colour with a faint accent wash from the top-leading corner.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), WidgetStyle::cornerRadius, WidgetStyle::cornerRadius);
    painter.fillPath(shape, palette().color(QPalette::Window));
    QLinearGradient wash(QPointF(0, 0), QPointF(width(), height()));
    QColor accent = WidgetStyle::accent();
    accent.setAlphaF(0.20f);
    QColor secondary = WidgetStyle::secondaryAccent();
    secondary.setAlphaF(0.07f);
    wash.setColorAt(0, accent);
    wash.setColorAt(0.5, secondary);
    wash.setColorAt(1, Qt::transparent);
    painter.fillPath(shape, wash);

    // Header: accent bar, title, and the refresh symbol at the trailing edge.
    const int left = WidgetStyle::contentMargin;
    const int right = width() - WidgetStyle::contentMargin;
    const QRectF header(left, m_headerTop, right - left, headerHeight());
    QPainterPath bar;
    bar.addRoundedRect(
        QRectF(left, header.center().y() - accentBarHeight / 2.0, accentBarWidth, accentBarHeight), 2, 2);
    painter.fillPath(bar, WidgetStyle::accent());

    const QFont symbolFont = WidgetStyle::font(WidgetStyle::TextStyle::caption, QFont::DemiBold);
    const int symbolSize = symbolFont.pixelSize() + 1;
    const QPixmap symbol = tinted(m_refreshSymbol, symbolSize, devicePixelRatioF());
    const qreal symbolLeft = right - symbolSize;
    painter.drawPixmap(QPointF(symbolLeft, header.center().y() - symbolSize / 2.0), symbol);

    const qreal titleLeft = left + accentBarWidth + headerSpacing;
    WidgetPainting::drawLine(
        painter, QRectF(titleLeft, header.top(), symbolLeft - minimumHeaderGap - titleLeft, header.height()),
        u"Tallyvane"_s, titleFont(), palette().color(QPalette::WindowText), false);
}

} // namespace tallyvane
