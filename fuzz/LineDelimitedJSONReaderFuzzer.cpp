// The sign-in conversation's line reader, on a child's whole standard output.
#include "FuzzCheck.h"

#include <ProviderKit/LineDelimitedJSONReader.h>

#include <QJsonDocument>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>

using namespace tallyvane;

namespace {

using Kind = CodexOAuthError::Kind;

// What the reader must answer, line by line: every complete non-empty line that is an object,
// up to the first that is not; then malformedResponse, or streamEnded when the output runs out.
struct Expected {
    QList<QJsonObject> objects;
    Kind end = Kind::streamEnded;
};

Expected expectedFor(const QByteArray& output)
{
    Expected expected;
    QList<QByteArray> lines = output.split('\n');
    lines.removeLast(); // a last line without a line feed is never returned
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            expected.end = Kind::malformedResponse;
            break;
        }
        expected.objects.append(document.object());
    }
    return expected;
}

// Reads everything the reader hands out of `fd` until it fails, and checks it against the
// lines; `limit` below the output's size may cut the conversation short.
void readAll(int fd, const QByteArray& output, qint64 limit, const Expected& expected)
{
    ::lseek(fd, 0, SEEK_SET);
    // Far off: a stalled machine must not turn into a timedOut the lines do not explain.
    LineDelimitedJSONReader reader(fd, LineDelimitedJSONReader::Clock::now() + std::chrono::hours(1), limit);
    qsizetype count = 0;
    for (;;) {
        const auto object = reader.nextObject();
        fuzzing::require(reader.totalBytes() <= output.size(), "never more bytes than written");
        if (!object) {
            const Kind kind = object.error().kind();
            if (kind == Kind::outputLimitExceeded) {
                fuzzing::require(reader.totalBytes() > limit, "the limit is only reported once passed");
            } else {
                fuzzing::require(count == expected.objects.size(), "every complete object is handed out");
                fuzzing::require(kind == expected.end, "the end is told as it is");
            }
            return;
        }
        fuzzing::require(count < expected.objects.size(), "no object beyond the complete lines");
        fuzzing::require(*object == expected.objects.at(count), "objects come in order, unchanged");
        ++count;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A memory file stands in for the pipe: always readable, and it ends where the input ends.
    static const int fd = ::memfd_create("child-output", 0);
    fuzzing::require(fd >= 0, "memfd_create works");
    const QByteArray output(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzzing::require(::ftruncate(fd, 0) == 0 && ::pwrite(fd, data, size, 0) == ssize_t(size),
                     "input written");

    const Expected expected = expectedFor(output);
    readAll(fd, output, output.size(), expected);
    if (output.size() > 0)
        readAll(fd, output, output.size() / 2, expected);
    return 0;
}
