#include "OpenLinkDialog.h"

#include <UsageDomain/Localizable.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

OpenLinkDialog::OpenLinkDialog(QWidget* parent)
    : QDialog(parent)
    , m_field(new QLineEdit(this))
    , m_copy(new QPushButton(localized("Copy Link"), this))
{
    setWindowTitle(u"Tallyvane"_s);
    setModal(false);
    setMinimumWidth(440);
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        localized("No browser could be opened. Open this address in your browser to continue:"), this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    m_field->setReadOnly(true);
    m_field->setAccessibleName(localized("Address"));
    layout->addWidget(m_field);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_copy, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(localized("Close"));
    layout->addWidget(buttons);
    connect(m_copy, &QPushButton::clicked, this, &OpenLinkDialog::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void OpenLinkDialog::showAddress(const QUrl& address)
{
    m_address = address;
    m_field->setText(address.toString(QUrl::FullyEncoded));
    m_field->setCursorPosition(0);
    m_copy->setText(localized("Copy Link"));
    m_copy->setDefault(true);
    show();
    raise();
    activateWindow();
}

void OpenLinkDialog::copy()
{
    QGuiApplication::clipboard()->setText(m_address.toString(QUrl::FullyEncoded));
    m_copy->setText(localized("Copied"));
}

} // namespace tallyvane
