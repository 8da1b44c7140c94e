#include "SettingsPage.h"

#include "SettingsPanel.h"
#include "SettingsRowText.h"
#include "SettingsSectionTitle.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tallyvane {

SettingsPage::SettingsPage(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent)
{
    auto* body = new QWidget;
    m_content = new QVBoxLayout(body);
    m_content->setContentsMargins(24, 20, 24, 24);
    m_content->setSpacing(8);

    auto* heading = new QLabel(title, body);
    heading->setTextFormat(Qt::PlainText);
    heading->setAccessibleName(title);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.6);
    headingFont.setWeight(QFont::Bold);
    heading->setFont(headingFont);
    m_content->addWidget(heading);
    m_content->addWidget(SettingsRowText::detail(subtitle, body));
    m_content->addSpacing(8);
    m_content->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    body->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void SettingsPage::addWidget(QWidget* widget)
{
    // Before the closing stretch, which keeps the sections at the top.
    m_content->insertWidget(m_content->count() - 1, widget);
}

SettingsPanel* SettingsPage::addSection(const QString& title)
{
    addWidget(new SettingsSectionTitle(title));
    auto* panel = new SettingsPanel;
    addWidget(panel);
    return panel;
}

void SettingsPage::addNote(const QString& text)
{
    QLabel* note = SettingsRowText::detail(text, nullptr);
    note->setContentsMargins(4, 0, 4, 0);
    addWidget(note);
}

} // namespace tallyvane
