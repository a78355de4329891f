// Starts the trainer: reads the command line, checks that the display can be
// opened, then makes its window, shown, and runs the event loop.

#include "argument_text.h"
#include "argument_vector.h"
#include "command_line.h"
#include "display_problem.h"
#include "platform_guard.h"
#include "terminal_line.h"
#include "ui_language.h"

#include "main_window.h"
#include "rhythm_companion.h"
#include "rhythm_record.h"
#include "sound_output.h"

#include "design_font.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

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
    klavet::SayOnStandardError(klavet::ArgumentBytes(commandLine.ProgramName()), klavet::ArgumentBytes(line));
    return exitCode;
}

// Prints the help or the version; a write that fails (a full disk, a closed
// pipe) is said on standard error, as GNU programs do.
int Answer(const klavet::CommandLine& commandLine, const QString& text) {
    const std::string bytes = klavet::ArgumentBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail(commandLine, 1, QCoreApplication::translate("main", "erreur d'écriture : %1")
                                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return 0;
}

// The platform plugin that Qt will start.
QString PlatformPlugin(const klavet::CommandLine& commandLine) {
    if (!commandLine.Platform().isEmpty())
        return commandLine.Platform();
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    return chosen.isEmpty() ? QStringLiteral("xcb") : chosen;
}

// The window, its rhythm panel and the event loop, until the trainer ends.
int RunTrainer(QApplication& app, const klavet::CommandLine& commandLine) {
    // Docks and task bars match the window (WM_CLASS "klavet", and the
    // desktop file's name where they read it) with its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.klavet.klavet"));
    klavet::UseDesignStyle();
    klavet::RhythmRecord rhythm;
    std::unique_ptr<klavet::RhythmCompanion> companion;
    klavet::WindowOptions options;
    options.sound = klavet::CreateSoundOutput();
    options.keyPort = klavet::ArgumentBytes(commandLine.KeyPort());
    options.keying = &rhythm;
    options.contextMenu = [&companion](QPoint at) { companion->ShowMenu(at); };
    klavet::FrmKlavet window(std::move(options));
    companion = std::make_unique<klavet::RhythmCompanion>(rhythm, window);
    window.show();
    companion->SetOpen(commandLine.Rhythm());
    return app.exec();
}

} // namespace

// The command line is read, answered or refused with an application object
// that reaches no window system, so that it speaks the user's language; the
// toolkit proper starts only once the display is known to be there.
int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << klavet::ArgumentText(argv[i]);
    int coreArgc = 1;
    char* coreArgv[] = {argv[0], nullptr};
    auto core = std::make_unique<QCoreApplication>(coreArgc, coreArgv);
    const klavet::UiLanguage language = klavet::Speak(*core, klavet::SystemLanguage());
    const klavet::CommandLine commandLine(arguments);
    if (const auto& answer = commandLine.Answered()) {
        if (answer->exitCode != 0)
            return Fail(commandLine, answer->exitCode, answer->text);
        return Answer(commandLine, answer->text);
    }
    PreferX11(commandLine);
    if (const QString problem = klavet::DisplayProblem(commandLine.Platform(), commandLine.Display());
        !problem.isEmpty())
        return Fail(commandLine, 1, problem);

    klavet::ArgumentVector toolkitArguments(commandLine.ToolkitArguments());
    std::optional<klavet::PlatformGuard> guard(std::in_place, commandLine.ProgramName(),
                                               PlatformPlugin(commandLine));
    core.reset();
    QApplication app(toolkitArguments.Count(), toolkitArguments.Values());
    guard.reset();
    klavet::Speak(app, language);
    return RunTrainer(app, commandLine);
}
