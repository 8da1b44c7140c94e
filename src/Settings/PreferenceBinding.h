#pragma once

#include <QString>

#include <functional>

class QObject;

namespace tallyvane {

class Preferences;
class SettingsChoiceRow;
class SettingsStepperRow;
class SettingsToggleRow;

// Ties a control to one preference key: the control shows the stored value now and whenever
// the key changes (here or in another process), and the user's change is stored at once. A
// write that fails shows the stored value again, so the control never claims what was not kept.
namespace PreferenceBinding {

// Calls show() now and after every change of the key, for as long as `context` lives.
void follow(Preferences& preferences, const QString& key, QObject* context, std::function<void()> show);

void toggle(SettingsToggleRow* row, Preferences& preferences, const QString& key, std::function<bool()> read,
            std::function<bool(bool)> write);
void choice(SettingsChoiceRow* row, Preferences& preferences, const QString& key,
            std::function<QString()> read, std::function<bool(const QString&)> write);
void stepper(SettingsStepperRow* row, Preferences& preferences, const QString& key,
             std::function<double()> read, std::function<bool(double)> write);

} // namespace PreferenceBinding
} // namespace tallyvane
