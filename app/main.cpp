// Starts the trainer: reads the command line, checks that the display can be
// opened, then makes its window, shown, and runs the event loop.

#include "argument_vector.h"
#include "command_line.h"
#include "display_problem.h"

#include "main_window.h"
#include "sound_output.h"

#include "design_font.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// The window's shape, stacking and drag need X11: on a Wayland session the
// trainer goes through XWayland, unless the user chose a platform.
void PreferX11(const klavet::CommandLine& commandLine) {
    if (!std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM") ||
        !commandLine.Platform().isEmpty())
        return;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

int Fail(const klavet::CommandLine& commandLine, int exitCode, const QString& line) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(commandLine.ProgramName()), qPrintable(line));
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const klavet::CommandLine commandLine(arguments);
    if (const auto& answer = commandLine.Answered()) {
        if (answer->exitCode != 0)
            return Fail(commandLine, answer->exitCode, answer->text);
        std::fputs(qPrintable(answer->text), stdout);
        return 0;
    }

    PreferX11(commandLine);
    if (const QString problem = klavet::DisplayProblem(commandLine.Platform(), commandLine.Display());
        !problem.isEmpty())
        return Fail(commandLine, 1, problem);

    klavet::ArgumentVector toolkitArguments(commandLine.ToolkitArguments());
    QApplication app(toolkitArguments.Count(), toolkitArguments.Values());
    klavet::UseDesignStyle();
    klavet::WindowOptions options;
    options.sound = klavet::CreateSoundOutput();
    options.keyPort = commandLine.KeyPort().toStdString();
    klavet::FrmKlavet window(std::move(options));
    window.show();
    return app.exec();
}
