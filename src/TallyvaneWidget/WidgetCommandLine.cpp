#include "WidgetCommandLine.h"

#include <TallyvaneWidgetSupport/WidgetUsageLoader.h>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

struct Options {
    QCommandLineOption family{u"family"_s,
                              QCoreApplication::translate("TallyvaneWidget", "Widget size: small or medium.",
                                                          "Command-line option help"),
                              u"size"_s, u"medium"_s};
    QCommandLineOption once{u"once"_s,
                            QCoreApplication::translate("TallyvaneWidget", "Load once, print, and exit.",
                                                        "Command-line option help")};
    QCommandLineOption format{u"format"_s,
                              QCoreApplication::translate("TallyvaneWidget",
                                                          "Output of --once: text, json or waybar.",
                                                          "Command-line option help"),
                              u"format"_s, u"text"_s};
    QCommandLineOption endpoint{u"endpoint"_s,
                                QCoreApplication::translate("TallyvaneWidget",
                                                            "Where the application serves its usage.",
                                                            "Command-line option help"),
                                u"url"_s, WidgetUsageLoader::liveEndpoint().toString()};
    QCommandLineOption renderImage{u"render-png"_s, QString(), u"file"_s};
    QCommandLineOption sample{u"sample"_s, QString()};

    Options()
    {
        // Used to make the documentation pictures; not part of the program's interface.
        renderImage.setFlags(QCommandLineOption::HiddenFromHelp);
        sample.setFlags(QCommandLineOption::HiddenFromHelp);
    }
};

void configure(QCommandLineParser& parser, const Options& options)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "TallyvaneWidget", "Live Codex and Claude usage with no stored usage snapshot.",
        "Widget description"));
    parser.addHelpOption();
    parser.addOptions({options.family, options.once, options.format, options.endpoint, options.renderImage,
                       options.sample});
}

} // namespace

std::expected<WidgetCommandLine, QString> WidgetCommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options;
    configure(parser, options);
    if (!parser.parse(arguments))
        return std::unexpected(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return std::unexpected(
            QCoreApplication::translate("TallyvaneWidget", "Unexpected argument.", "Command-line error"));

    WidgetCommandLine result;
    if (parser.isSet(u"help"_s)) {
        result.mode = Mode::help;
        return result;
    }

    const QString family = parser.value(options.family);
    if (family == "small"_L1)
        result.family = WidgetFamily::small;
    else if (family != "medium"_L1)
        return std::unexpected(QCoreApplication::translate(
            "TallyvaneWidget", "--family must be small or medium.", "Command-line error"));

    const QString format = parser.value(options.format);
    if (format == "json"_L1)
        result.format = StatusLineFormatter::Format::json;
    else if (format == "waybar"_L1)
        result.format = StatusLineFormatter::Format::waybar;
    else if (format != "text"_L1)
        return std::unexpected(QCoreApplication::translate(
            "TallyvaneWidget", "--format must be text, json or waybar.", "Command-line error"));

    result.endpoint = QUrl(parser.value(options.endpoint), QUrl::StrictMode);
    if (!result.endpoint.isValid() || result.endpoint.scheme() != "http"_L1 ||
        result.endpoint.host().isEmpty())
        return std::unexpected(QCoreApplication::translate(
            "TallyvaneWidget", "--endpoint must be an http URL.", "Command-line error"));

    result.sample = parser.isSet(options.sample);
    const bool once = parser.isSet(options.once);
    const bool render = parser.isSet(options.renderImage);
    if (once && render)
        return std::unexpected(QCoreApplication::translate(
            "TallyvaneWidget", "--once and --render-png cannot be combined.", "Command-line error"));
    if (parser.isSet(options.format) && !once)
        return std::unexpected(
            QCoreApplication::translate("TallyvaneWidget", "--format needs --once.", "Command-line error"));
    if (once) {
        result.mode = Mode::once;
    } else if (render) {
        result.mode = Mode::renderImage;
        result.imagePath = parser.value(options.renderImage);
    }
    return result;
}

QString WidgetCommandLine::helpText()
{
    QCommandLineParser parser;
    const Options options;
    configure(parser, options);
    return parser.helpText();
}

int WidgetCommandLine::printHelp(int argc, char** argv)
{
    const QCoreApplication application(argc, argv);
    const QByteArray text = helpText().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return 0;
}

std::expected<WidgetCommandLine, QString> WidgetCommandLine::parse(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parse(arguments);
}

} // namespace tallyvane
