#include "UsagePopover.h"

#include "CompactProviderCard.h"
#include "PopoverDismissal.h"

#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/RefreshStateLabel.h>
#include <UsageViews/SymbolIcon.h>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {
namespace {

constexpr int margin = 14;
constexpr int noticeSymbolSize = 40;

QToolButton* footerButton(const QString& text, const QString& symbol, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    if (!symbol.isEmpty())
        button->setIcon(SymbolIcon::named(symbol));
    button->setToolButtonStyle(symbol.isEmpty() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

UsagePopover::Kind UsagePopover::kindFor(const QString& platformName)
{
    return platformName.startsWith("wayland"_L1) ? Kind::ordinaryWindow : Kind::popup;
}

UsagePopover::UsagePopover(const ViewServices& services, Kind kind, QWidget* parent)
    : QWidget(parent, kind == Kind::popup ? Qt::Popup | Qt::FramelessWindowHint : Qt::Window)
    , m_services(services)
    , m_quit([] { QCoreApplication::quit(); })
{
    setFixedSize(contentSize);
    setAttribute(Qt::WA_StyledBackground, false);
    setWindowTitle(u"Tallyvane"_s);
    new PopoverDismissal(*this);

    auto* layout = new QVBoxLayout(this);
    // One pixel all round keeps the children off the border painted below.
    layout->setContentsMargins(1, margin, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    m_cardLayout = new QVBoxLayout(content);
    m_cardLayout->setContentsMargins(margin, margin, margin, margin);
    m_cardLayout->setSpacing(10);
    m_noProviders = makeNoProvidersNotice();
    m_cardLayout->addWidget(m_noProviders);
    m_cardLayout->addStretch();
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);
    m_footer = makeFooter();
    layout->addWidget(m_footer);

    QObject::connect(&services.model, &UsageAppModel::providersChanged, this, &UsagePopover::rebuildCards);
    QObject::connect(&services.preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == PreferenceKey::showCodex || key == PreferenceKey::showClaude)
            rebuildCards();
    });
    rebuildCards();
}

QWidget* UsagePopover::makeHeader()
{
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(margin + 4, 0, margin, 0);
    layout->setSpacing(8);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    auto* title = new QLabel(u"Tallyvane"_s, header);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setWeight(QFont::Bold);
    title->setFont(titleFont);
    titles->addWidget(title);
    auto* state = new RefreshStateLabel(m_services, header);
    state->setForegroundRole(QPalette::PlaceholderText);
    titles->addWidget(state);
    layout->addLayout(titles, 1);

    auto* refresh = new QToolButton(header);
    refresh->setIcon(SymbolIcon::named(u"arrow.clockwise"_s));
    refresh->setIconSize(QSize(18, 18));
    refresh->setAutoRaise(true);
    refresh->setToolTip(localized("Refresh usage"));
    refresh->setAccessibleName(localized("Refresh usage"));
    QObject::connect(refresh, &QToolButton::clicked, this,
                     [this] { m_services.model.refresh(RefreshTrigger::manual); });
    layout->addWidget(refresh, 0, Qt::AlignVCenter);
    return header;
}

QWidget* UsagePopover::makeNoProvidersNotice()
{
    auto* notice = new QWidget(this);
    auto* layout = new QVBoxLayout(notice);
    layout->setContentsMargins(0, 60, 0, 0);
    layout->setSpacing(6);
    auto* symbol = new QLabel(notice);
    SymbolIcon::showIn(symbol, u"eye.slash"_s, noticeSymbolSize);
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);
    auto* title = new QLabel(localized("No Providers Shown"), notice);
    QFont titleFont = title->font();
    titleFont.setWeight(QFont::DemiBold);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* line = new QLabel(localized("Enable a provider in Settings."), notice);
    line->setForegroundRole(QPalette::PlaceholderText);
    line->setAlignment(Qt::AlignCenter);
    layout->addWidget(line);
    return notice;
}

QWidget* UsagePopover::makeFooter()
{
    auto* footer = new QWidget(this);
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(margin - 4, 8, margin - 4, 10);
    layout->setSpacing(4);
    auto* dashboard = footerButton(localized("Open Dashboard"), {}, footer);
    auto* settings = footerButton(localized("Settings"), u"gearshape"_s, footer);
    auto* quit = footerButton(localized("Quit Tallyvane"), u"power"_s, footer);
    QObject::connect(dashboard, &QToolButton::clicked, this, &UsagePopover::openDashboardRequested);
    QObject::connect(settings, &QToolButton::clicked, this, &UsagePopover::openSettingsRequested);
    QObject::connect(quit, &QToolButton::clicked, this, [this] { m_quit(); });
    layout->addWidget(dashboard);
    layout->addStretch();
    layout->addWidget(settings);
    layout->addWidget(quit);
    return footer;
}

void UsagePopover::rebuildCards()
{
    // Cards are kept per service, so a refresh updates them in place instead of rebuilding.
    QList<ProviderService> shown;
    for (const ProviderViewState& state : m_services.model.providers()) {
        if (!m_services.preferences.showService(state.service) || shown.contains(state.service))
            continue;
        shown.append(state.service);
        CompactProviderCard*& card = m_cards[state.service];
        if (!card)
            card = new CompactProviderCard(m_services, state.service, m_cardLayout->parentWidget());
        card->setState(state);
    }
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (shown.contains(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = m_cards.erase(it);
    }
    for (qsizetype index = 0; index < shown.size(); ++index) {
        CompactProviderCard* card = m_cards.value(shown[index]);
        m_cardLayout->removeWidget(card);
        m_cardLayout->insertWidget(static_cast<int>(index), card);
        card->show();
    }

    const bool anyShown = std::ranges::any_of(allCases<ProviderService>(), [this](ProviderService service) {
        return m_services.preferences.showService(service);
    });
    m_noProviders->setVisible(!anyShown);
}

QList<CompactProviderCard*> UsagePopover::cards() const
{
    QList<CompactProviderCard*> cards;
    for (int index = 0; index < m_cardLayout->count(); ++index) {
        if (auto* card = qobject_cast<CompactProviderCard*>(m_cardLayout->itemAt(index)->widget()))
            cards.append(card);
    }
    return cards;
}

bool UsagePopover::showsNoProvidersNotice() const
{
    return !m_noProviders->isHidden();
}

void UsagePopover::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_services.model.start();
    Q_EMIT visibilityChanged(true);
}

void UsagePopover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Q_EMIT visibilityChanged(false);
}

void UsagePopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QColor border = palette().windowText().color();
    border.setAlphaF(Appearance::isDark(palette()) ? 0.22f : 0.16f);
    painter.setPen(border);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawLine(margin, m_footer->y(), width() - margin, m_footer->y());
}

} // namespace tallyvane
