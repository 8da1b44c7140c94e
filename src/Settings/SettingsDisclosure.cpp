#include "SettingsDisclosure.h"

#include <UsageViews/SymbolIcon.h>

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

SettingsDisclosure::SettingsDisclosure(const QString& title, const QString& symbol, QWidget* content,
                                       QWidget* parent)
    : QWidget(parent)
    , m_header(new QToolButton(this))
    , m_chevron(new QToolButton(this))
    , m_content(content)
{
    m_header->setText(title);
    m_header->setIcon(SymbolIcon::named(symbol));
    m_header->setIconSize({16, 16});
    m_header->setCheckable(true);
    m_header->setAutoRaise(true);
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setAccessibleName(title);
    // Flat in both states: a checked tool button would otherwise look pressed in.
    m_header->setStyleSheet(u"QToolButton { border: none; background: transparent; padding: 4px 0; }"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    // The chevron is part of the header for the pointer, not a second stop for the keyboard.
    m_chevron->setFocusPolicy(Qt::NoFocus);
    m_chevron->setFocusProxy(m_header);
    m_chevron->setStyleSheet(m_header->styleSheet());
    connect(m_chevron, &QToolButton::clicked, m_header, &QToolButton::toggle);
    auto* headerRow = new QHBoxLayout;
    headerRow->addWidget(m_header, 1);
    headerRow->addWidget(m_chevron);
    layout->addLayout(headerRow);
    layout->addWidget(m_content);
    m_content->setContentsMargins(24, 0, 0, 4);

    connect(m_header, &QToolButton::toggled, this, &SettingsDisclosure::showState);
    showState();
}

bool SettingsDisclosure::isExpanded() const
{
    return m_header->isChecked();
}

void SettingsDisclosure::setExpanded(bool expanded)
{
    m_header->setChecked(expanded);
}

void SettingsDisclosure::showState()
{
    m_content->setVisible(isExpanded());
    m_chevron->setText(isExpanded() ? u"\u25BE"_s : u"\u25B8"_s);
}

} // namespace tallyvane
