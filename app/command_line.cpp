#include "command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

namespace klavet {

namespace {

// The parser's help with a usage line of the program's own: the parser names
// the program only when an application object exists, and none does yet.
QString HelpText(const QCommandLineParser& parser, const QString& programName) {
    QString text = parser.helpText();
    text.replace(0, text.indexOf('\n'), "Usage: " + programName + " [options]");
    return text;
}

} // namespace

CommandLine::CommandLine(const QStringList& arguments)
    : program_(arguments.isEmpty() ? QStringLiteral("klavet") : arguments.first()),
      programName_(QFileInfo(program_).fileName()) {
    QCommandLineParser parser;
    // Qt's own options are spelt with one dash ("-platform xcb").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Trainer for sending Morse code with a straight key: key the signs with\n"
        "a mouse button, hear them and see them decoded. The manual page\n"
        "klavet(1) tells how to listen, calibrate and key.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    // Qt's options that are passed on to the toolkit. Its others (style,
    // window geometry and title) would undo the trainer's fixed design.
    const QCommandLineOption platform(
        "platform", "Use Qt's platform plugin <name>. The trainer is made for xcb (X11, or XWayland).",
        "name");
    const QCommandLineOption display("display", "Open the X display <display> instead of $DISPLAY.",
                                     "display");
    const QCommandLineOption session("session", "Restore the session <id>; given by the session manager.",
                                     "id");
    const QCommandLineOption keyPort(
        "key-port",
        "Key with a straight key on the serial port <port> (such as /dev/ttyUSB0): DTR and RTS are raised, "
        "and a contact on CTS, DSR or DCD is the key down. No other port is ever opened.",
        "port");
    const QCommandLineOption rhythm(
        "rhythm", "Open the rhythm panel, which draws each sign keyed against its ideal timing and gives its "
                  "speed, note and the faults of the latest signs.");
    parser.addOptions({help, version, keyPort, rhythm, platform, display, session});

    const QString seeHelp = " See '" + programName_ + " --help'.";
    if (!parser.parse(arguments)) {
        answer_ = Answer{2, parser.errorText() + seeHelp};
    } else if (parser.isSet(help)) {
        answer_ = Answer{0, HelpText(parser, programName_)};
    } else if (parser.isSet(version)) {
        answer_ = Answer{0, QStringLiteral("klavet " KLAVET_VERSION "\n")};
    } else if (!parser.positionalArguments().isEmpty()) {
        answer_ = Answer{2, "Unexpected argument '" + parser.positionalArguments().first() + "'." + seeHelp};
    } else if (parser.values(keyPort).size() > 1) {
        answer_ = Answer{2, "Option --key-port given twice." + seeHelp};
    } else if (parser.isSet(keyPort) && parser.value(keyPort).isEmpty()) {
        answer_ = Answer{2, "Option --key-port needs the port, as in --key-port /dev/ttyUSB0." + seeHelp};
    } else {
        keyPort_ = parser.value(keyPort);
        rhythm_ = parser.isSet(rhythm);
        platform_ = parser.value(platform);
        display_ = parser.value(display);
        session_ = parser.value(session);
    }
}

QStringList CommandLine::ToolkitArguments() const {
    QStringList arguments{program_};
    if (!platform_.isEmpty())
        arguments << "-platform" << platform_;
    if (!display_.isEmpty())
        arguments << "-display" << display_;
    if (!session_.isEmpty())
        arguments << "-session" << session_;
    return arguments;
}

} // namespace klavet
