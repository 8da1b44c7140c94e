#include <TallyvaneWidget/SampleSnapshot.h>
#include <TallyvaneWidget/WidgetCommandLine.h>
#include <TallyvaneWidget/WidgetTranslations.h>
#include <TallyvaneWidgetViews/DesktopWidgetWindow.h>
#include <TallyvaneWidgetViews/WidgetImageRenderer.h>

#include <QApplication>
#include <QCoroTask>

#include <cstdio>

using namespace tallyvane;

namespace {

UsageTimelineProvider providerFor(const WidgetCommandLine& commandLine)
{
    return UsageTimelineProvider(
        WidgetUsageLoader(WidgetUsageLoader::liveFetch(commandLine.endpoint), &WidgetDate::now));
}

int renderImage(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication application(argc, argv);
    const WidgetTranslations translations;
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
        const QByteArray message =
            "tallyvane-widget: " +
            QCoreApplication::translate("TallyvaneWidget", "Could not write the image.", "Command-line error")
                .toUtf8() +
            '\n';
        std::fwrite(message.constData(), 1, size_t(message.size()), stderr);
        return 1;
    }
    return 0;
}

int runWindow(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    QApplication application(argc, argv);
    const WidgetTranslations translations;
    DesktopWidgetWindow window(providerFor(commandLine), commandLine.family);
    QObject::connect(&window, &DesktopWidgetWindow::closed, &application, &QCoreApplication::quit);
    window.show();
    return application.exec();
}

} // namespace

// Started by tallyvane-widget with the arguments it was given, already checked there.
int main(int argc, char** argv)
{
    const std::expected<WidgetCommandLine, QString> commandLine = WidgetCommandLine::parse(argc, argv);
    if (!commandLine)
        return 2;
    if (commandLine->mode == WidgetCommandLine::Mode::help)
        return WidgetCommandLine::printHelp(argc, argv);
    if (commandLine->mode == WidgetCommandLine::Mode::renderImage)
        return renderImage(argc, argv, *commandLine);
    return runWindow(argc, argv, *commandLine);
}
