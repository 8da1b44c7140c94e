#include "MenuBarSettingsView.h"

#include "MenuBarPreview.h"
#include "PreferenceBinding.h"
#include "SettingsChoiceRow.h"
#include "SettingsPanel.h"
#include "SettingsToggleRow.h"

#include <TallyvaneUI/Preferences.h>
#include <UsageDomain/Localizable.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Read = bool (Preferences::*)() const;
using Write = bool (Preferences::*)(bool);
using ReadText = QString (Preferences::*)() const;
using WriteText = bool (Preferences::*)(const QString&);

SettingsToggleRow* toggle(Preferences& preferences, QLatin1StringView key, const QString& title, Read read,
                          Write write, const QString& detail = {})
{
    auto* row = new SettingsToggleRow(title, detail);
    PreferenceBinding::toggle(
        row, preferences, QString(key), [&preferences, read] { return (preferences.*read)(); },
        [&preferences, write](bool on) { return (preferences.*write)(on); });
    return row;
}

SettingsChoiceRow* choice(Preferences& preferences, QLatin1StringView key, const QString& title,
                          const QList<SettingsChoiceRow::Option>& options, ReadText read, WriteText write)
{
    auto* row = new SettingsChoiceRow(title, options);
    PreferenceBinding::choice(
        row, preferences, QString(key), [&preferences, read] { return (preferences.*read)(); },
        [&preferences, write](const QString& value) { return (preferences.*write)(value); });
    return row;
}

} // namespace

MenuBarSettingsView::MenuBarSettingsView(const ViewServices& services, QWidget* parent)
    : SettingsPage(localized("Menu Bar"),
                   localized("Choose the information that remains visible at a glance."), parent)
    , m_preview(new MenuBarPreview(services))
{
    addWidget(m_preview);
    Preferences& preferences = services.preferences;

    SettingsPanel* content = addSection(localized("Content"));
    content->addRow(toggle(preferences, PreferenceKey::iconsOnly, localized("Icons only"),
                           &Preferences::iconsOnly, &Preferences::setIconsOnly));
    content->addRow(toggle(preferences, PreferenceKey::showPercentage, localized("Show percentage"),
                           &Preferences::showPercentage, &Preferences::setShowPercentage));
    content->addRow(choice(preferences, PreferenceKey::percentageMode, localized("Percentage"),
                           {{localized("Consumed"), u"consumed"_s}, {localized("Remaining"), u"remaining"_s}},
                           &Preferences::percentageMode, &Preferences::setPercentageMode));
    content->addRow(toggle(preferences, PreferenceKey::showReset, localized("Show reset time"),
                           &Preferences::showReset, &Preferences::setShowReset,
                           localized("Uses your system clock format")));

    SettingsPanel* layout = addSection(localized("Layout"));
    layout->addRow(choice(preferences, PreferenceKey::density, localized("Density"),
                          {{localized("Compact"), u"compact"_s}, {localized("Detailed"), u"detailed"_s}},
                          &Preferences::density, &Preferences::setDensity));
    layout->addRow(choice(preferences, PreferenceKey::windowKind, localized("Usage window"),
                          {{localized("Short / session"), u"fiveHour"_s},
                           {localized("Weekly"), u"sevenDay"_s},
                           {localized("Best available"), u"unknown"_s}},
                          &Preferences::windowKind, &Preferences::setWindowKind));
}

} // namespace tallyvane
