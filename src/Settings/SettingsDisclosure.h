#pragma once

#include <QWidget>

class QToolButton;

namespace tallyvane {

// An item of the About section that shows its content when the header is clicked. Starts
// collapsed; whether it is open is view state only.
class SettingsDisclosure : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the content.
    SettingsDisclosure(const QString& title, const QString& symbol, QWidget* content,
                       QWidget* parent = nullptr);

    bool isExpanded() const;
    void setExpanded(bool expanded);
    QToolButton* header() const { return m_header; }

private:
    void showState();

    QToolButton* m_header;
    QToolButton* m_chevron;
    QWidget* m_content;
};

} // namespace tallyvane
