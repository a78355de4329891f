#include "ui_language.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTranslator>

namespace klavet {

namespace {

UiLanguage spoken = UiLanguage::French;

// The language part of a name: "fr" of "fr-CA", "fr_BE" or "fr"; empty for
// "C", "POSIX" or anything that names no language.
QString LanguageOf(const QString& name) {
    return name.section(QRegularExpression("[-_.@]"), 0, 0).toLower();
}

} // namespace

UiLanguage LanguageFor(const QStringList& preferred) {
    for (const QString& name : preferred) {
        const QString language = LanguageOf(name);
        if (language == QLatin1String("fr"))
            return UiLanguage::French;
        if (language == QLatin1String("en"))
            return UiLanguage::English;
    }
    return UiLanguage::English;
}

UiLanguage SystemLanguage() {
    return LanguageFor(QLocale::system().uiLanguages());
}

// The catalogues live for the process, shared by every application object
// made in turn (the command line's, then the window's).
UiLanguage Speak(QCoreApplication& application, UiLanguage language) {
    static QTranslator english;
    static QTranslator frenchOfQt;
    static const bool englishLoaded = english.load(QStringLiteral(":/i18n/klavet_en.qm"));
    static const bool frenchLoaded = frenchOfQt.load(QStringLiteral(":/i18n/klavet_fr.qm"));
    application.removeTranslator(&english);
    application.removeTranslator(&frenchOfQt);
    spoken = UiLanguage::French;
    if (language == UiLanguage::English && englishLoaded && application.installTranslator(&english))
        spoken = UiLanguage::English;
    // What Qt writes itself (the command line's refusals) is English as
    // written; in French it has a catalogue of its own.
    if (spoken == UiLanguage::French && frenchLoaded)
        application.installTranslator(&frenchOfQt);
    return spoken;
}

QLocale NumberLocale() {
    return QLocale(spoken == UiLanguage::French ? QLocale::French : QLocale::English);
}

} // namespace klavet
