#pragma once

#include <QDialog>
#include <QUrl>

class QLineEdit;
class QPushButton;

namespace tallyvane {

// Shown when no browser could be opened: the address, ready to be copied into a browser by
// hand. A sign-in keeps waiting meanwhile, so the dialog does not block anything.
class OpenLinkDialog : public QDialog {
    Q_OBJECT
public:
    explicit OpenLinkDialog(QWidget* parent = nullptr);

    // Replaces the address shown; the newest request is the one the user is after.
    void showAddress(const QUrl& address);
    QUrl address() const { return m_address; }
    QPushButton* copyButton() const { return m_copy; }

private:
    void copy();

    QUrl m_address;
    QLineEdit* m_field;
    QPushButton* m_copy;
};

} // namespace tallyvane
