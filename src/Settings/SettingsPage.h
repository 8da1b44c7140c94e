#pragma once

#include <QWidget>

class QVBoxLayout;

namespace tallyvane {

class SettingsPanel;

// A page of the settings window: title, subtitle and the sections below, scrolling when the
// window is shorter than the page.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    // A section title followed by a new panel, which is returned for its rows.
    SettingsPanel* addSection(const QString& title);
    // A footnote under the last panel.
    void addNote(const QString& text);

private:
    QVBoxLayout* m_content;
};

} // namespace tallyvane
