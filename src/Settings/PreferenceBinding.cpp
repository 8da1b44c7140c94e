#include "PreferenceBinding.h"

#include "SettingsChoiceRow.h"
#include "SettingsStepperRow.h"
#include "SettingsToggleRow.h"

#include <TallyvaneUI/Preferences.h>

namespace tallyvane::PreferenceBinding {

namespace {

// The user's value is written, then the stored one shown: unchanged when the write failed.
template <typename Row, typename Value, typename Signal, typename Setter>
void bind(Row* row, Preferences& preferences, const QString& key, std::function<Value()> read,
          std::function<bool(Value)> write, Signal userChange, Setter show)
{
    const auto refresh = [row, read, show] { (row->*show)(read()); };
    follow(preferences, key, row, refresh);
    QObject::connect(row, userChange, row, [refresh, write](const Value& value) {
        write(value);
        refresh();
    });
}

} // namespace

void follow(Preferences& preferences, const QString& key, QObject* context, std::function<void()> show)
{
    show();
    QObject::connect(&preferences, &Preferences::changed, context, [key, show](const QString& changed) {
        if (changed == key)
            show();
    });
}

void toggle(SettingsToggleRow* row, Preferences& preferences, const QString& key, std::function<bool()> read,
            std::function<bool(bool)> write)
{
    bind<SettingsToggleRow, bool>(row, preferences, key, std::move(read), std::move(write),
                                  &SettingsToggleRow::toggledByUser, &SettingsToggleRow::setChecked);
}

void choice(SettingsChoiceRow* row, Preferences& preferences, const QString& key,
            std::function<QString()> read, std::function<bool(const QString&)> write)
{
    bind<SettingsChoiceRow, QString>(
        row, preferences, key, std::move(read),
        std::function<bool(QString)>([write](const QString& value) { return write(value); }),
        &SettingsChoiceRow::chosenByUser, &SettingsChoiceRow::setValue);
}

void stepper(SettingsStepperRow* row, Preferences& preferences, const QString& key,
             std::function<double()> read, std::function<bool(double)> write)
{
    bind<SettingsStepperRow, double>(row, preferences, key, std::move(read), std::move(write),
                                     &SettingsStepperRow::steppedByUser, &SettingsStepperRow::setSeconds);
}

} // namespace tallyvane::PreferenceBinding
