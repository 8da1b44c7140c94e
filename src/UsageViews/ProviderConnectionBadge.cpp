#include "ProviderConnectionBadge.h"

#include "Appearance.h"
#include "UsageColors.h"

#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace tallyvane {

ProviderConnectionBadge::ProviderConnectionBadge(UsageAppModel& model, ProviderService service,
                                                 QWidget* parent)
    : QLabel(parent)
    , m_model(model)
    , m_service(service)
{
    setAlignment(Qt::AlignCenter);
    setContentsMargins(9, 2, 9, 2);
    QFont small = Appearance::scaledFont(font(), 0.85);
    small.setWeight(QFont::DemiBold);
    setFont(small);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&model, &UsageAppModel::connectionStatesChanged, this, &ProviderConnectionBadge::refresh);
    refresh();
}

QString ProviderConnectionBadge::label(ProviderConnectionStatus status)
{
    switch (status) {
    case ProviderConnectionStatus::checking:
        return localized("Checking");
    case ProviderConnectionStatus::notInstalled:
        return localized("Not installed");
    case ProviderConnectionStatus::unsupportedVersion:
        return localized("Update required");
    case ProviderConnectionStatus::disconnected:
        return localized("Not connected");
    case ProviderConnectionStatus::signedOut:
        return localized("Sign-in required");
    case ProviderConnectionStatus::signedIn:
        return localized("Connected");
    case ProviderConnectionStatus::connecting:
        return localized("Connecting");
    case ProviderConnectionStatus::disconnecting:
        return localized("Disconnecting");
    case ProviderConnectionStatus::failed:
        break;
    }
    return localized("Needs attention");
}

void ProviderConnectionBadge::refresh()
{
    const ProviderConnectionState state = m_model.connectionState(m_service);
    m_status = state.status;
    setText(label(m_status));
    // The detail is a fixed, sanitised sentence, safe to show as help.
    setToolTip(state.detail.value_or(QString()));
    setAccessibleName(displayName(m_service) + u' ' + text());
    QLabel::update();
}

QColor ProviderConnectionBadge::tone() const
{
    const bool dark = Appearance::isDark(palette());
    switch (m_status) {
    case ProviderConnectionStatus::signedIn:
        return UsageColors::accent(dark);
    case ProviderConnectionStatus::failed:
        return UsageColors::critical(dark);
    case ProviderConnectionStatus::notInstalled:
    case ProviderConnectionStatus::unsupportedVersion:
    case ProviderConnectionStatus::signedOut:
        return UsageColors::warning(dark);
    default:
        return palette().color(QPalette::PlaceholderText);
    }
}

void ProviderConnectionBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = pill.height() / 2;
    QColor fill = tone();
    fill.setAlphaF(0.14f);
    QColor edge = tone();
    edge.setAlphaF(0.35f);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, radius, radius);
    QColor ink = tone();
    if (m_status != ProviderConnectionStatus::signedIn && m_status != ProviderConnectionStatus::failed &&
        ink == palette().color(QPalette::PlaceholderText))
        ink = palette().color(QPalette::WindowText);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(contentsRect(), Qt::AlignCenter, text());
}

void ProviderConnectionBadge::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        QLabel::update();
}

} // namespace tallyvane
