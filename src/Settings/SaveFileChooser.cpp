#include "SaveFileChooser.h"

#include <UsageDomain/Localizable.h>

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace tallyvane {

SaveFileChooser plainTextSaveDialog(const QString& title)
{
    return [title](QWidget* parent, const QString& suggestedName) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        return QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(suggestedName),
                                            localized("Plain text (*.txt)"));
    };
}

} // namespace tallyvane
