#pragma once

#include <TallyvaneWidget/WidgetClock.h>

#include <TallyvaneWidgetSupport/WidgetProviderUsage.h>

#include <QWidget>

#include <optional>

namespace tallyvane {

// One service's block: a dot, the name and the first window's percentage, a bar and, unless
// compact, the window's name and its reset countdown; or the state message without windows.
// The block is one accessibility element.
class ProviderUsageView : public QWidget {
    Q_OBJECT

public:
    // What the block shows, worked out once for painting and for inspection.
    struct Content {
        QString name;
        std::optional<QString> percent;
        std::optional<double> barFraction;
        std::optional<QString> windowName;
        std::optional<QString> resetCountdown;
        std::optional<QString> message;
    };

    explicit ProviderUsageView(QWidget* parent = nullptr);

    void setProvider(const WidgetProviderUsage& provider);
    const WidgetProviderUsage& provider() const { return m_provider; }
    void setCompact(bool compact);
    bool isCompact() const { return m_compact; }
    // Figures drawn as blank shapes while there is nothing real to show yet.
    void setRedacted(bool redacted);
    void setClock(WidgetClock clock);

    Content content() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int rowSpacing() const { return m_compact ? 4 : 7; }
    int titleRowHeight() const;
    void refresh();

    WidgetProviderUsage m_provider;
    bool m_compact = false;
    bool m_redacted = false;
    WidgetClock m_clock;
};

} // namespace tallyvane
