#pragma once

#include <UsageDomain/ProviderDiagnostic.h>

#include <QWidget>

namespace tallyvane {

// One diagnostic: a symbol for its severity, its sanitised sentence and, smaller, its code.
class DiagnosticRow : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticRow(const ProviderDiagnostic& diagnostic, QWidget* parent = nullptr);

    static QString symbol(DiagnosticSeverity severity);
};

} // namespace tallyvane
