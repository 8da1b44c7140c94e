#pragma once

#include <QList>
#include <QWidget>

class QComboBox;

namespace tallyvane {

// A titled picker over stored text values. The first option is the default: a value that
// matches no option shows it, as the readers of these keys fall back to it too.
class SettingsChoiceRow : public QWidget {
    Q_OBJECT
public:
    struct Option {
        QString label;
        QString value;
    };

    SettingsChoiceRow(const QString& title, const QList<Option>& options, QWidget* parent = nullptr);

    QString value() const;
    void setValue(const QString& value);
    QComboBox* picker() const { return m_picker; }

Q_SIGNALS:
    // Only for the user's own choices.
    void chosenByUser(const QString& value);

private:
    QComboBox* m_picker;
};

} // namespace tallyvane
