#include <TallyvaneWidget/StatusLineFormatter.h>
#include <TallyvaneWidget/UsageTimelineProvider.h>
#include <TallyvaneWidget/WidgetCommandLine.h>
#include <TallyvaneWidget/WidgetTranslations.h>

#include <QCoreApplication>
#include <QCoroTask>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace tallyvane;

namespace {

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void fail(const QString& message)
{
    write(stderr, "tallyvane-widget: " + message.toUtf8() + '\n');
}

// One load, printed in the chosen format. A failed load prints the fallback and still succeeds:
// status bars show "Not available" rather than an error of their own.
int runOnce(int argc, char** argv, const WidgetCommandLine& commandLine)
{
    const QCoreApplication application(argc, argv);
    const WidgetTranslations translations;
    const UsageTimelineProvider provider(
        WidgetUsageLoader(WidgetUsageLoader::liveFetch(commandLine.endpoint), &WidgetDate::now));
    const UsageTimelineEntry entry = QCoro::waitFor(provider.snapshot(commandLine.sample));
    write(stdout, StatusLineFormatter::format(commandLine.format, entry.snapshot, WidgetDate::now()));
    return 0;
}

// The window and the picture renderer need Qt's GUI libraries; loading them would double the
// start-up of every status-bar poll, so they live in a program of their own. It sits next to
// this one in the build tree, and in the library-executables folder once installed.
int handOverToWindowProgram(char** argv)
{
    const QFileInfo self(QString::fromLocal8Bit(argv[0]).contains(u'/')
                             ? QString::fromLocal8Bit(argv[0])
                             : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    const QDir folder = QFileInfo(self.canonicalFilePath()).dir();
    for (const QString& candidate :
         {folder.filePath(QStringLiteral("tallyvane-widget-window")),
          folder.filePath(QStringLiteral(TALLYVANE_WIDGET_WINDOW_FOLDER "/tallyvane-widget-window"))}) {
        const QByteArray path = QFile::encodeName(candidate);
        argv[0] = const_cast<char*>(path.constData());
        ::execv(path.constData(), argv);
    }
    fail(QCoreApplication::translate("TallyvaneWidget", "The widget window is not installed.",
                                     "Command-line error"));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::expected<WidgetCommandLine, QString> commandLine = WidgetCommandLine::parse(argc, argv);
    if (!commandLine) {
        fail(commandLine.error());
        return 2;
    }
    switch (commandLine->mode) {
    case WidgetCommandLine::Mode::help:
        return WidgetCommandLine::printHelp(argc, argv);
    case WidgetCommandLine::Mode::once:
        return runOnce(argc, argv, *commandLine);
    case WidgetCommandLine::Mode::renderImage:
    case WidgetCommandLine::Mode::window:
        break;
    }
    return handOverToWindowProgram(argv);
}
