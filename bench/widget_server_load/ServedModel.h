#pragma once

#include <AppModelFixture.h>
#include <TallyvaneUI/WidgetLiveServer.h>

#include <QUrl>

#include <chrono>

namespace tallyvane::bench {

// An idle model whose two services answer like a real working day after `answerDelay`, served by
// the real widget server on a free loopback port.
struct ServedModel {
    ServedModel(std::chrono::milliseconds answerDelay, int maximumConnections);

    QUrl endpoint() const;
    // A full refresh, so the first measured request does not pay for first use.
    void warmUp() { fixture.refresh(); }

    testing::AppModelFixture fixture;
    WidgetLiveServer server;
};

} // namespace tallyvane::bench
