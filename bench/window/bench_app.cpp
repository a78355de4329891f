// The trainer as the benchmark runs it: the same window, which also prints
// the engine's writes of the press length (Text2), the unit (TxtVit) and the
// result field (Label7) with the steady clock's time, and with the tick
// pacing chosen at build time (clocked, or a plain 1 ms timer as baseline).

#include "design_font.h"
#include "main_window.h"
#ifdef KLAVET_PLAIN_TIMER
#include "per_firing_ticks.h"
#endif
#include "sound_output.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    klavet::UseDesignStyle();
    klavet::WindowOptions options;
    options.sound = klavet::CreateSoundOutput();
#ifdef KLAVET_PLAIN_TIMER
    options.ticks = [](klavet::TrainerEngine& engine, const klavet::TrainerState&) {
        return std::make_unique<klavet::PerFiringTicks>(engine);
    };
#endif
    options.written = [](std::string_view control, std::string_view text) {
        if (control != "Text2" && control != "TxtVit" && control != "Label7")
            return;
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%s %lld %s\n", std::string(control).c_str(),
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()),
                    text.empty() ? "-" : std::string(text).c_str());
        std::fflush(stdout);
    };
    klavet::FrmKlavet window(std::move(options));
    window.show();
    return app.exec();
}
