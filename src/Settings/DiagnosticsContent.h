#pragma once

#include "SaveFileChooser.h"

#include <UsageViews/ViewServices.h>

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tallyvane {

// What the last refresh found wrong, per provider, and the export of the support report. The
// list follows the model; the export status is view state and stays until the next export.
class DiagnosticsContent : public QWidget {
    Q_OBJECT
public:
    DiagnosticsContent(const ViewServices& services, SaveFileChooser chooseFile, QWidget* parent = nullptr);

    static constexpr char16_t suggestedFileName[] = u"Tallyvane-Diagnostics.txt";

    QPushButton* exportButton() const { return m_exportButton; }
    QString exportStatus() const;

public Q_SLOTS:
    // Asks where to save; cancelling changes nothing. The report is made at that moment.
    void exportReport();

private:
    void showProviders();

    ViewServices m_services;
    SaveFileChooser m_chooseFile;
    QWidget* m_providers;
    QVBoxLayout* m_providerRows;
    QPushButton* m_exportButton;
    QLabel* m_status;
};

} // namespace tallyvane
