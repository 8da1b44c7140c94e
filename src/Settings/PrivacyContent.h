#pragma once

#include <QWidget>

namespace tallyvane {

// The fixed statements about what the application keeps and reads.
class PrivacyContent : public QWidget {
    Q_OBJECT
public:
    explicit PrivacyContent(QWidget* parent = nullptr);
};

} // namespace tallyvane
