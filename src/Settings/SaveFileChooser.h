#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tallyvane {

// Asks the user where to save a file; an empty answer means the user cancelled. Injected so
// that tests can answer without a dialog.
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggestedName)>;

// The desktop's save dialog with the given title, for plain-text files, starting in the
// documents folder with the suggested name filled in.
SaveFileChooser plainTextSaveDialog(const QString& title);

} // namespace tallyvane
