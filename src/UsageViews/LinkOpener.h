#pragma once

#include <Platform/DesktopUrlOpener.h>

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

namespace tallyvane {

class OpenLinkDialog;

// Opens addresses for the whole application, sign-in pages and the installation guide alike.
// Where the desktop cannot open one, the address is shown in a dialog to copy instead, so an
// address is always handed to the user: a sign-in keeps waiting for its callback within its
// usual time limit rather than failing at once.
class LinkOpener : public QObject {
    Q_OBJECT
public:
    // Hands the address to the desktop; `done` is told whether it took it.
    using Launch = std::function<void(const QUrl&, std::function<void(bool)> done)>;

    explicit LinkOpener(Launch launch, QObject* parent = nullptr);
    ~LinkOpener() override;
    // Through the desktop portal, else xdg-open.
    static Launch desktop(DesktopUrlOpener& opener);

    // Always true: the address reaches the browser or the dialog. Main thread only.
    bool open(const QUrl& address);
    // The dialog, once it was needed.
    OpenLinkDialog* dialog() const;

Q_SIGNALS:
    void addressShown(const QUrl& address);

private:
    void showAddress(const QUrl& address);

    Launch m_launch;
    QPointer<OpenLinkDialog> m_dialog;
};

} // namespace tallyvane
