#pragma once

#include <QWidget>

namespace tallyvane {

// The widget's footer: one elided line in the smallest caption font and the secondary colour,
// with its own spoken wording.
class WidgetFooterLine : public QWidget {
    Q_OBJECT

public:
    explicit WidgetFooterLine(QWidget* parent = nullptr);

    void setText(const QString& text, const QString& accessibleText);
    const QString& text() const { return m_text; }
    void setRedacted(bool redacted);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    bool m_redacted = false;
};

} // namespace tallyvane
