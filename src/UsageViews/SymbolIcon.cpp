#include "SymbolIcon.h"

#include "TintedSvgIconEngine.h"

#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::SymbolIcon {

namespace {

const QString bindingName = u"tallyvane-symbol-binding"_s;

QColor textInk(const QPalette& palette)
{
    return palette.color(QPalette::WindowText);
}

// Lives as a child of the label and draws the symbol into it again when its palette changes.
class SymbolLabelBinding : public QObject {
public:
    SymbolLabelBinding(QLabel* label, QString symbol, int size, Ink ink)
        : QObject(label)
        , m_label(label)
        , m_symbol(std::move(symbol))
        , m_size(size)
        , m_followsTheme(!ink)
        , m_ink(ink ? std::move(ink) : Ink(textInk))
    {
        setObjectName(bindingName);
        label->installEventFilter(this);
    }

    void draw()
    {
        const QString theme = m_followsTheme ? themeName(m_symbol) : QString();
        if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) {
            m_label->setPixmap(
                QIcon::fromTheme(theme).pixmap(QSize(m_size, m_size), m_label->devicePixelRatioF()));
            return;
        }
        const QImage image = TintedSvgIconEngine::render(resourcePath(m_symbol),
                                                         QSize(m_size, m_size) * m_label->devicePixelRatioF(),
                                                         m_ink(m_label->palette()));
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(m_label->devicePixelRatioF());
        m_label->setPixmap(pixmap);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::PaletteChange)
            draw();
        return QObject::eventFilter(watched, event);
    }

private:
    QLabel* const m_label;
    const QString m_symbol;
    const int m_size;
    // Untinted symbols come from the desktop's icon theme where it has them.
    const bool m_followsTheme;
    const Ink m_ink;
};

const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> names{
        {u"arrow.clockwise"_s, u"view-refresh"_s},
        {u"gearshape"_s, u"configure"_s},
        {u"power"_s, u"application-exit"_s},
        {u"eye.slash"_s, u"view-hidden"_s},
        {u"exclamationmark.triangle"_s, u"dialog-warning"_s},
        {u"person.crop.circle.badge.exclamationmark"_s, u"dialog-password"_s},
        {u"clock"_s, u"clock"_s},
        {u"clock.arrow.circlepath"_s, u"document-open-recent"_s},
        {u"chart.xyaxis.line"_s, u"office-chart-line"_s},
        {u"person.crop.circle"_s, u"user-identity"_s},
        {u"menubar.rectangle"_s, u"preferences-desktop"_s},
        {u"checkmark.shield"_s, u"security-high"_s},
        {u"stethoscope"_s, u"tools-report-bug"_s},
        {u"hand.raised"_s, u"security-medium"_s},
        {u"info.circle"_s, u"dialog-information"_s},
        {u"exclamationmark.triangle.fill"_s, u"dialog-warning"_s},
        {u"exclamationmark.octagon.fill"_s, u"dialog-error"_s},
        {u"memorychip"_s, u"media-flash"_s},
        {u"text.badge.xmark"_s, u"edit-clear"_s},
        {u"bolt"_s, u"system-run"_s},
        {u"internaldrive.badge.xmark"_s, u"drive-harddisk"_s},
        {u"chevron.left"_s, u"go-previous"_s},
        {u"gauge.with.dots.needle.67percent"_s, u"utilities-system-monitor"_s},
    };
    return names;
}

} // namespace

QString themeName(const QString& symbol)
{
    return themeNames().value(symbol);
}

QString resourcePath(const QString& symbol)
{
    return u":/tallyvane/symbols/"_s + symbol + u".svg"_s;
}

QIcon named(const QString& symbol, const QColor& tint)
{
    if (tint.isValid())
        return QIcon(new TintedSvgIconEngine(resourcePath(symbol), tint));
    const QString theme = themeName(symbol);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme))
        return QIcon::fromTheme(theme);
    return inked(symbol, textInk);
}

QIcon inked(const QString& symbol, Ink ink)
{
    return QIcon(new TintedSvgIconEngine(resourcePath(symbol), std::move(ink)));
}

void showIn(QLabel* label, const QString& symbol, int size, Ink ink)
{
    // A label shows one symbol: a binding of an earlier one makes way.
    qDeleteAll(label->findChildren<QObject*>(bindingName, Qt::FindDirectChildrenOnly));
    auto* binding = new SymbolLabelBinding(label, symbol, size, std::move(ink));
    binding->draw();
}

} // namespace tallyvane::SymbolIcon
