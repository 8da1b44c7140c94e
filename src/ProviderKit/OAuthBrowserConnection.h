#pragma once

#include <QByteArrayView>

namespace tallyvane {

// The browser's connection that brought the expected state, held open until the sign-in knows
// whether the code could be exchanged: the browser then sees the success page or a short
// failure page, never a success that did not happen. Closed when dropped, answered or not.
class OAuthBrowserConnection {
public:
    explicit OAuthBrowserConnection(int descriptor);
    ~OAuthBrowserConnection();
    OAuthBrowserConnection(const OAuthBrowserConnection&) = delete;
    OAuthBrowserConnection& operator=(const OAuthBrowserConnection&) = delete;

    // Sends the reply once and closes; later calls do nothing. Best effort: the browser may have
    // gone, which changes nothing for the sign-in.
    void answer(QByteArrayView reply);

private:
    int m_descriptor;
};

} // namespace tallyvane
