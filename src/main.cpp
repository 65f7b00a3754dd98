// Entry point: reads the command line and starts on the console. The windows are
// not part of this build yet; commands that need them say so.
#include "automation/CommandLine.h"
#include "automation/ConsoleStart.h"
#include "platform/NameCodec.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << quelt::platform::DecodeName(QByteArrayView(argv[i]));

    const quelt::CommandLine line = quelt::ParseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "quelt: %s\nTry 'quelt --help' for the list of switches.\n", line.error.toUtf8().constData());
        return quelt::ExitCannotRun;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quelt"));
    if (quelt::RunsOnConsole(line))
        return quelt::RunConsole(line);

    if (!HasDisplay() || line.console)
        std::fputs("quelt: the main window needs a display (DISPLAY or WAYLAND_DISPLAY is not set); "
                   "without one, use /quickrename, /disasterrecovery or --help.\n", stderr);
    else
        std::fputs("quelt: the windows are not part of this build yet; "
                   "use /quickrename, /disasterrecovery or --help.\n", stderr);
    return quelt::ExitCannotRun;
}
