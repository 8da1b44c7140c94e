#pragma once

#include <TallyvaneWidget/UsageTimelineEntry.h>
#include <TallyvaneWidget/WidgetClock.h>
#include <TallyvaneWidget/WidgetFamily.h>

#include <QIcon>
#include <QList>
#include <QWidget>

namespace tallyvane {

class ProviderUsageView;
class WidgetFooterLine;

// The whole widget: header, one block per service and the footer on the gradient background.
// The small family stacks compact blocks; the medium family puts full blocks side by side.
class UsageWidgetView : public QWidget {
    Q_OBJECT

public:
    using Family = WidgetFamily;

    explicit UsageWidgetView(QWidget* parent = nullptr);

    void setFamily(Family family);
    Family family() const { return m_family; }
    void setEntry(const UsageTimelineEntry& entry);
    const UsageTimelineEntry& entry() const { return m_entry; }
    void setRedacted(bool redacted);
    bool isRedacted() const { return m_redacted; }
    void setClock(WidgetClock clock);
    // Re-reads the clock: relative times move on while the entry stays.
    void refreshTimes();

    QList<ProviderUsageView*> providerViews() const { return m_providerViews; }
    WidgetFooterLine* footer() const { return m_footer; }

    static QSize familySize(Family family);
    QSize sizeHint() const override { return familySize(m_family); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int rowSpacing() const { return m_family == Family::small ? 10 : 12; }
    int headerHeight() const;
    void rebuildProviders();
    void relayout();

    Family m_family = Family::medium;
    UsageTimelineEntry m_entry;
    bool m_redacted = false;
    WidgetClock m_clock;
    QList<ProviderUsageView*> m_providerViews;
    WidgetFooterLine* m_footer;
    int m_headerTop = 0;
    QIcon m_refreshSymbol;
};

} // namespace tallyvane
