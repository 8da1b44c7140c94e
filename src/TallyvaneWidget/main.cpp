#include <TallyvaneWidget/DesktopWidgetWindow.h>
#include <TallyvaneWidget/SampleSnapshot.h>
#include <TallyvaneWidget/WidgetCommandLine.h>
#include <TallyvaneWidget/WidgetImageRenderer.h>

#include <QApplication>
#include <QCoroTask>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

using namespace tallyvane;

namespace {

UsageTimelineProvider providerFor(const WidgetCommandLine& commandLine)
{
    return UsageTimelineProvider(
        WidgetUsageLoader(WidgetUsageLoader::liveFetch(commandLine.endpoint), &WidgetDate::now));
}

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// The widget's texts, and the application's relative-time words that the shared formatter uses;
// English needs neither.
struct Translations {
    QTranslator widget;
    QTranslator shared;

    Translations()
    {
        const auto install = [](QTranslator& translator, const QString& name) {
            if (translator.load(QLocale(), name, QStringLiteral("_"), QStringLiteral(":/i18n")))
                QCoreApplication::installTranslator(&translator);
        };
        install(widget, QStringLiteral("tallyvane-widget"));
        install(shared, QStringLiteral("tallyvane"));
    }
};

void fail(const QString& message)
{
    write(stderr, "tallyvane-widget: " + message.toUtf8() + '\n');
}

// One load, printed in the chosen format. A failed load prints the fallback and still succeeds:
// status bars show "Not available" rather than an error of their own.
int runOnce(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    const QCoreApplication application(argc, argv);
    const Translations translations;
    const UsageTimelineProvider provider = providerFor(commandLine);
    const UsageTimelineEntry entry = QCoro::waitFor(provider.snapshot(commandLine.sample));
    write(stdout, StatusLineFormatter::format(commandLine.format, entry.snapshot, WidgetDate::now()));
    return 0;
}

int renderImage(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication application(argc, argv);
    const Translations translations;
    const WidgetDate now = WidgetDate::now();
    UsageTimelineEntry entry;
    if (commandLine.sample) {
        // Made two minutes ago, as a document usually is by the time someone looks at it.
        const WidgetDate made = now.addingSeconds(-120);
        entry = {.date = made, .snapshot = sampleSnapshot(made)};
    } else {
        entry = QCoro::waitFor(providerFor(commandLine).snapshot(false));
    }
    if (!renderWidgetImage(entry, commandLine.family, now, 2).save(commandLine.imagePath, "PNG")) {
        fail(QCoreApplication::translate("TallyvaneWidget", "Could not write the image.",
                                         "Command-line error"));
        return 1;
    }
    return 0;
}

int runWindow(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    QApplication application(argc, argv);
    const Translations translations;
    DesktopWidgetWindow window(providerFor(commandLine), commandLine.family);
    QObject::connect(&window, &DesktopWidgetWindow::closed, &application, &QCoreApplication::quit);
    window.show();
    return application.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const std::expected<WidgetCommandLine, QString> commandLine = WidgetCommandLine::parse(arguments);
    if (!commandLine) {
        fail(commandLine.error());
        return 2;
    }
    switch (commandLine->mode) {
    case WidgetCommandLine::Mode::help: {
        const QCoreApplication application(argc, argv);
        write(stdout, WidgetCommandLine::helpText().toUtf8());
        return 0;
    }
    case WidgetCommandLine::Mode::once:
        return runOnce(argc, argv, *commandLine);
    case WidgetCommandLine::Mode::renderImage:
        return renderImage(argc, argv, *commandLine);
    case WidgetCommandLine::Mode::window:
        break;
    }
    return runWindow(argc, argv, *commandLine);
}
