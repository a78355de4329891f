#include "command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

namespace klavet {

namespace {

// The parser's help with a usage line of the program's own, named as it was
// called, in the user's language.
QString HelpText(const QCommandLineParser& parser, const QString& programName) {
    QString text = parser.helpText();
    text.replace(0, text.indexOf('\n'), CommandLine::tr("Utilisation : %1 [options]").arg(programName));
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
        tr("Entraînement à l'envoi du code Morse au manipulateur droit : manipulez les signes avec\n"
           "un bouton de la souris, écoutez-les et voyez-les décodés. La page de manuel klavet(1)\n"
           "explique comment écouter, calibrer et manipuler."));
    const QCommandLineOption help({"h", "help"}, tr("Affiche cette aide et quitte."));
    const QCommandLineOption version({"v", "version"}, tr("Affiche la version et quitte."));
    // Qt's options that are passed on to the toolkit. Its others (style,
    // window geometry and title) would undo the trainer's fixed design.
    const QCommandLineOption platform(
        "platform",
        tr("Utilise le greffon de plateforme Qt <nom>. L'entraîneur est fait pour xcb (X11, ou XWayland)."),
        tr("nom"));
    const QCommandLineOption display("display", tr("Ouvre l'affichage X <affichage> au lieu de $DISPLAY."),
                                     tr("affichage"));
    const QCommandLineOption session("session",
                                     tr("Restaure la session <id> ; donné par le gestionnaire de session."), "id");
    const QCommandLineOption keyPort(
        "key-port",
        tr("Manipule avec un manipulateur droit sur le port série <port> (comme /dev/ttyUSB0) : DTR et RTS "
           "sont levés, et un contact sur CTS, DSR ou DCD est la touche enfoncée. Aucun autre port n'est "
           "jamais ouvert."),
        "port");
    const QCommandLineOption rhythm(
        "rhythm", tr("Ouvre le panneau de rythme, qui dessine chaque signe manipulé face à son rythme idéal et "
                     "donne sa vitesse, sa note et les défauts des derniers signes."));
    parser.addOptions({help, version, keyPort, rhythm, platform, display, session});

    const QString seeHelp = tr(" Voir « %1 --help ».").arg(programName_);
    if (!parser.parse(arguments)) {
        answer_ = Answer{2, parser.errorText() + seeHelp};
    } else if (parser.isSet(help)) {
        answer_ = Answer{0, HelpText(parser, programName_)};
    } else if (parser.isSet(version)) {
        answer_ = Answer{0, QStringLiteral("klavet " KLAVET_VERSION "\n")};
    } else if (!parser.positionalArguments().isEmpty()) {
        answer_ = Answer{2, tr("Argument inattendu « %1 ».").arg(parser.positionalArguments().first()) + seeHelp};
    } else if (parser.values(keyPort).size() > 1) {
        answer_ = Answer{2, tr("Option --key-port donnée deux fois.") + seeHelp};
    } else if (parser.isSet(keyPort) && parser.value(keyPort).isEmpty()) {
        answer_ = Answer{2, tr("L'option --key-port demande le port, comme dans --key-port /dev/ttyUSB0.") + seeHelp};
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
