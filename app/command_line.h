#pragma once

// The trainer's command line, read with Qt's parser before the window system
// is reached, so that --help, --version and mistakes are answered without a
// display or a sound server, in the user's language. Starts nothing and
// prints nothing.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace klavet {

class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    // What to do instead of starting the trainer.
    struct Answer {
        int exitCode = 0;
        // For standard output when exitCode is 0 (help, version); otherwise
        // the one line for standard error, without the program's name.
        QString text;
    };

    // Reads `arguments`, the program's name first.
    explicit CommandLine(const QStringList& arguments);

    // Set when the command line is answered without starting the trainer:
    // exit code 0 after --help or --version, 2 after a mistake.
    const std::optional<Answer>& Answered() const { return answer_; }

    // The program's file name, for messages.
    const QString& ProgramName() const { return programName_; }
    // The platform plugin chosen on the command line; empty when none was.
    const QString& Platform() const { return platform_; }
    // The X display chosen on the command line; empty when none was.
    const QString& Display() const { return display_; }
    // The serial port to key with; empty when none was named.
    const QString& KeyPort() const { return keyPort_; }
    // Whether the rhythm panel opens with the window.
    bool Rhythm() const { return rhythm_; }
    // The program's name followed by the toolkit's options that were given,
    // spelt as QApplication reads them ("-platform", "xcb").
    QStringList ToolkitArguments() const;

private:
    QString program_;
    QString programName_;
    std::optional<Answer> answer_;
    QString platform_;
    QString display_;
    QString session_;
    QString keyPort_;
    bool rhythm_ = false;
};

} // namespace klavet
