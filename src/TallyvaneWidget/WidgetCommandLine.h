#pragma once

#include "StatusLineFormatter.h"
#include "WidgetFamily.h"

#include <QStringList>
#include <QUrl>

#include <expected>

namespace tallyvane {

// What the program was asked to do; parsing needs no application object, so the caller can
// choose the lighter one for one-shot output.
struct WidgetCommandLine {
    enum class Mode { window, once, renderImage, help };

    Mode mode = Mode::window;
    WidgetFamily family = WidgetFamily::medium;
    StatusLineFormatter::Format format = StatusLineFormatter::Format::text;
    QUrl endpoint;
    QString imagePath;
    bool sample = false;

    // One line saying what is wrong, without echoing paths.
    static std::expected<WidgetCommandLine, QString> parse(const QStringList& arguments);
    // The same, from main's arguments in the locale's encoding.
    static std::expected<WidgetCommandLine, QString> parse(int argc, char** argv);
    static QString helpText();
    // Prints the help text to standard output, for either program; the exit status.
    static int printHelp(int argc, char** argv);
};

} // namespace tallyvane
