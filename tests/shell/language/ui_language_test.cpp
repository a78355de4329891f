// Which language the program speaks for which settings, and what speaking
// it changes: the texts, and how numbers are written.

#include "ui_language.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace klavet {
namespace {

TEST(UiLanguage, FrenchForEveryFrenchLocaleEnglishForEveryOther) {
    for (const QStringList& french : {QStringList{"fr"}, {"fr-FR"}, {"fr_CA.UTF-8"}, {"fr-BE", "en"},
                                      {"de-DE", "fr"}, {"FR-ch"}, {"fr@euro"}})
        EXPECT_EQ(LanguageFor(french), UiLanguage::French) << french.join(',').toStdString();
    for (const QStringList& english : {QStringList{}, {"C"}, {"POSIX"}, {"en-US"}, {"de-DE", "de"}, {"en", "fr"},
                                       {"tr-TR"}, {"@@@"}, {""}, {"français"}})
        EXPECT_EQ(LanguageFor(english), UiLanguage::English) << english.join(',').toStdString();
}

TEST(UiLanguage, SpeakingEnglishTranslatesTheTextsAndThePointOfNumbers) {
    int argc = 1;
    char name[] = "klavet";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(Speak(app, UiLanguage::French), UiLanguage::French);
    EXPECT_EQ(QCoreApplication::translate("FrmKlavet", "Aide"), "Aide");
    EXPECT_EQ(NumberLocale().toString(2.5, 'f', 1), "2,5");
    EXPECT_EQ(QCoreApplication::translate("QCommandLineParser", "Options:"), "Options :");

    EXPECT_EQ(Speak(app, UiLanguage::English), UiLanguage::English);
    EXPECT_EQ(QCoreApplication::translate("FrmKlavet", "Aide"), "Help");
    EXPECT_EQ(QCoreApplication::translate("FrmKlavet", "F"), "F") << "data is never translated";
    EXPECT_EQ(NumberLocale().toString(2.5, 'f', 1), "2.5");
    EXPECT_EQ(QCoreApplication::translate("QCommandLineParser", "Options:"), "Options:");
}

} // namespace
} // namespace klavet
