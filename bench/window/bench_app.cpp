// The trainer as the benchmark runs it: the same window, which also prints
// every write of the press length (Text2) to standard output, with the tick
// pacing chosen at build time (clocked, or a plain 1 ms timer as baseline).

#include "design_font.h"
#include "main_window.h"
#include "sound_output.h"

#include <QApplication>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    klavet::UseDesignStyle();
    klavet::WindowOptions options;
    options.sound = klavet::CreateSoundOutput();
#ifdef KLAVET_PLAIN_TIMER
    options.pacing = klavet::TickPacing::PerFiring;
#endif
    options.textWritten = [](klavet::TextBox box, std::string_view text) {
        if (box == klavet::TextBox::Text2) {
            std::printf("Text2 %s\n", std::string(text).c_str());
            std::fflush(stdout);
        }
    };
    klavet::FrmKlavet window(std::move(options));
    window.show();
    return app.exec();
}
