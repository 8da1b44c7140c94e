#pragma once

#include <QTranslator>

namespace tallyvane {

// Installs the widget's own texts and the application's relative-time words (which the shared
// formatter looks up) for the user's language, for as long as it lives; English needs neither.
class WidgetTranslations {
public:
    WidgetTranslations();
    WidgetTranslations(const WidgetTranslations&) = delete;
    WidgetTranslations& operator=(const WidgetTranslations&) = delete;

private:
    QTranslator m_widget;
    QTranslator m_shared;
};

} // namespace tallyvane
