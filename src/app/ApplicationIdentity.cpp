#include "ApplicationIdentity.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

void ApplicationIdentity::name(const QString& version)
{
    QApplication::setApplicationName(u"Tallyvane"_s);
    QApplication::setApplicationVersion(version);
    QApplication::setDesktopFileName(u"app.tallyvane.Tallyvane"_s);
}

void ApplicationIdentity::applyIcon()
{
    QApplication::setWindowIcon(QIcon(u":/tallyvane/app.tallyvane.Tallyvane.svg"_s));
}

} // namespace tallyvane
