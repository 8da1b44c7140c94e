#include "LinkOpener.h"

#include "OpenLinkDialog.h"

namespace tallyvane {

LinkOpener::LinkOpener(Launch launch, QObject* parent)
    : QObject(parent)
    , m_launch(std::move(launch))
{
}

LinkOpener::~LinkOpener()
{
    delete m_dialog;
}

OpenLinkDialog* LinkOpener::dialog() const
{
    return m_dialog;
}

LinkOpener::Launch LinkOpener::desktop(DesktopUrlOpener& opener)
{
    return [&opener](const QUrl& address, std::function<void(bool)> done) {
        [](DesktopUrlOpener& opener, QUrl address, std::function<void(bool)> done) -> QCoro::Task<> {
            done(co_await opener.open(std::move(address)));
        }(opener, address, std::move(done));
    };
}

bool LinkOpener::open(const QUrl& address)
{
    const QPointer<LinkOpener> self(this);
    m_launch(address, [self, address](bool opened) {
        if (self && !opened)
            self->showAddress(address);
    });
    return true;
}

void LinkOpener::showAddress(const QUrl& address)
{
    if (!m_dialog)
        m_dialog = new OpenLinkDialog;
    m_dialog->showAddress(address);
    Q_EMIT addressShown(address);
}

} // namespace tallyvane
