// Runs the widget tests on the offscreen platform unless one is chosen, in
// French as the texts are written, or in English where KLAVET_TEST_LANGUAGE
// is "en".

#include "design_font.h"
#include "ui_language.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    klavet::UseDesignStyle();
    if (qEnvironmentVariable("KLAVET_TEST_LANGUAGE") == QLatin1String("en") &&
        klavet::Speak(app, klavet::UiLanguage::English) != klavet::UiLanguage::English)
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
