#pragma once

#include <UsageDomain/UsageWindowSample.h>

#include <QLabel>

namespace tallyvane {

// How current a window's figure is, as one short capitalised word: "LIVE", "CACHED" for a
// figure served from the vendor's cache, otherwise the freshness in capitals.
class FreshnessBadge : public QLabel {
    Q_OBJECT
public:
    explicit FreshnessBadge(QWidget* parent = nullptr);

    void setSample(const UsageWindowSample& window);
    static QString text(const UsageWindowSample& window);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tallyvane
