#pragma once

#include <QWidget>

class QPushButton;

namespace tallyvane {

// Step 1: what the application does and promises.
class OnboardingWelcomeStep : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingWelcomeStep(QWidget* parent = nullptr);

Q_SIGNALS:
    void continueRequested();
    void dismissRequested();
};

} // namespace tallyvane
