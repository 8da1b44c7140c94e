#include "WidgetTranslations.h"

#include <QCoreApplication>
#include <QLocale>

namespace tallyvane {

namespace {
void install(QTranslator& translator, const QString& name)
{
    if (translator.load(QLocale(), name, QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);
}
} // namespace

WidgetTranslations::WidgetTranslations()
{
    install(m_widget, QStringLiteral("tallyvane-widget"));
    install(m_shared, QStringLiteral("tallyvane"));
}

} // namespace tallyvane
