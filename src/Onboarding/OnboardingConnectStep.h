#pragma once

#include <UsageViews/ViewServices.h>

#include <QWidget>

class QLabel;

namespace tallyvane {

// Step 2: one connection row per service, the number connected so far, and the way out.
class OnboardingConnectStep : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingConnectStep(const ViewServices& services, QWidget* parent = nullptr);

    // "Both accounts connected", "1 account connected" or "You can finish without connecting".
    static QString progressText(int connected);
    QString progress() const;

Q_SIGNALS:
    void backRequested();
    void finishRequested();

private:
    void refreshProgress();

    const ViewServices& m_services;
    QLabel* m_progress = nullptr;
};

} // namespace tallyvane
