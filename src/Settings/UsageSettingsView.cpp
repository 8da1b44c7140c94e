#include "UsageSettingsView.h"

#include "GeneralSettingsView.h"
#include "MenuBarSettingsView.h"
#include "ProvidersSettingsView.h"
#include "SettingsRowText.h"
#include <UsageViews/SymbolIcon.h>

#include <UsageDomain/Localizable.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/UsageColors.h>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

UsageSettingsView::UsageSettingsView(const ViewServices& services, UsageNotificationController& notifications,
                                     LoginItemController& loginItem, SaveFileChooser chooseFile,
                                     QWidget* parent)
    : QWidget(parent)
    , m_destinations(new QListWidget(this))
    , m_pages(new QStackedWidget(this))
    , m_accounts(new ProvidersSettingsView(services))
    , m_menuBar(new MenuBarSettingsView(services))
    , m_general(new GeneralSettingsView(services, notifications, loginItem, std::move(chooseFile)))
{
    // Added in the order of the destinations, so an index is a destination's raw position.
    m_pages->addWidget(m_accounts);
    m_pages->addWidget(m_menuBar);
    m_pages->addWidget(m_general);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sidebar());
    layout->addWidget(m_pages, 1);

    connect(m_destinations, &QListWidget::currentRowChanged, m_pages, &QStackedWidget::setCurrentIndex);
    select(SettingsDestination::accounts);
}

QWidget* UsageSettingsView::sidebar()
{
    auto* bar = new QFrame(this);
    bar->setFixedWidth(180);
    bar->setAutoFillBackground(true);
    bar->setBackgroundRole(QPalette::AlternateBase);

    auto* title = new QLabel(localized("Tallyvane"), bar);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setWeight(QFont::Bold);
    title->setFont(titleFont);

    auto* badgeIcon = new QLabel(bar);
    SymbolIcon::showIn(badgeIcon, u"checkmark.shield"_s, 12);
    auto* badge = new QHBoxLayout;
    badge->setSpacing(4);
    badge->addWidget(badgeIcon);
    badge->addWidget(SettingsRowText::detail(localized("Live data only"), bar), 1);

    for (const SettingsDestination destination : allCases<SettingsDestination>()) {
        auto* item = new QListWidgetItem(SymbolIcon::named(settingsDestinationSymbol(destination)),
                                         settingsDestinationTitle(destination), m_destinations);
        item->setData(Qt::UserRole, caseName(destination));
        item->setSizeHint({0, 32});
    }
    m_destinations->setFrameShape(QFrame::NoFrame);
    m_destinations->setIconSize({16, 16});
    m_destinations->setAccessibleName(localized("Settings sections"));
    m_destinations->viewport()->setAutoFillBackground(false);
    styleDestinations();

    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(12, 16, 12, 12);
    layout->setSpacing(4);
    layout->addWidget(title);
    layout->addLayout(badge);
    layout->addSpacing(12);
    layout->addWidget(m_destinations, 1);
    return bar;
}

void UsageSettingsView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        styleDestinations();
}

void UsageSettingsView::styleDestinations()
{
    // A soft accent pill for the selection instead of the style's full highlight bar.
    QColor selection = UsageColors::accent(Appearance::isDark(palette()));
    selection.setAlphaF(0.16f);
    m_destinations->setStyleSheet(
        u"QListWidget { background: transparent; border: none; outline: 0; }"
        u"QListWidget::item { padding: 0 6px; border-radius: 6px; color: palette(window-text); }"
        u"QListWidget::item:selected { background: %1; color: palette(window-text); }"_s.arg(
            selection.name(QColor::HexArgb)));
}

SettingsDestination UsageSettingsView::destination() const
{
    return static_cast<SettingsDestination>(std::max(m_destinations->currentRow(), 0));
}

void UsageSettingsView::select(SettingsDestination destination)
{
    m_destinations->setCurrentRow(static_cast<int>(destination));
}

} // namespace tallyvane
