#include "TallyvaneCommandLine.h"

#include <UsageDomain/Localizable.h>

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

// The options QGuiApplication and QApplication take for themselves; they are removed from the
// arguments only once QApplication exists, which is after this parser has run.
void acceptQtOptions(QCommandLineParser& parser)
{
    static const char* const withValue[] = {
        "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
        "style",       "stylesheet",         "qmljsdebugger"};
    static const char* const flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

void TallyvaneCommandLine::process(int& argc, char** argv)
{
    // A core application needs no display; the help text takes the program's name from it.
    const QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        localized("Shows how much of your Codex and Claude subscription allowances you have used, "
                  "and when each resets, in the system tray."));
    // Qt's options are single-dash words (-platform xcb); -h and -v still mean help and version.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    acceptQtOptions(parser);
    parser.process(core);
    if (!parser.positionalArguments().isEmpty())
        parser.showHelp(1);
}

} // namespace tallyvane
