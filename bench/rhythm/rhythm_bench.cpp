// Rhythm panel benchmark: the time to judge a keyed sign and word its figures,
// and to draw the panel with it, beside drawing the panel with no sign; and
// the whole trainer's idle CPU with the panel open, beside it closed.

#include "rhythm_panel.h"
#include "rhythm_record.h"
#include "rhythm_texts.h"
#include "session_analysis.h"
#include "sound_server.h"
#include "sign_analysis.h"
#include "trainer_idle_cpu.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using MonotonicClock = std::chrono::steady_clock;

// The median of `runs` timings of `work`, in microseconds.
double MedianMicroseconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = MonotonicClock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(MonotonicClock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[static_cast<std::size_t>(runs / 2)];
}

// Twenty signs and a K being keyed, as the handlers tell them.
void Fill(klavet::RhythmRecord& record) {
    for (int sign = 0; sign < 21; ++sign) {
        const std::string elements = sign % 2 ? "-.-" : ".-..-.";
        for (std::size_t i = 0; i < elements.size(); ++i) {
            record.KeyDown(static_cast<std::int16_t>(i == 0 ? 5000 : 95 + i), i == 0);
            record.KeyUp(static_cast<std::int16_t>(elements[i] == '-' ? 290 + sign : 105 - sign),
                         std::string(1, elements[i]), 100);
        }
        record.Decoded(sign % 2 ? "K" : "?");
    }
}

std::string Directory() {
    char path[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return self.substr(0, self.rfind('/'));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    klavet::RhythmRecord record;
    Fill(record);
    klavet::RhythmRecord empty;
    QWidget owner;
    klavet::RhythmPanel panel(&owner);
    QImage canvas(klavet::RhythmPanel::DesignSize(), QImage::Format_ARGB32_Premultiplied);
    const auto draw = [&](const klavet::RhythmRecord& shown) {
        panel.Show(shown);
        QPainter painter(&canvas);
        panel.render(&painter);
    };

    const double judge = MedianMicroseconds(2000, [&] {
        volatile auto sign = klavet::AnalyseSign(record.Signs().back());
        volatile auto session = klavet::AnalyseSession(record.Signs());
        (void)sign;
        (void)session;
    });
    const double words = MedianMicroseconds(2000, [&] { volatile auto lines = klavet::RhythmTexts::For(record); (void)lines; });
    const double drawn = MedianMicroseconds(500, [&] { draw(record); });
    const double drawnEmpty = MedianMicroseconds(500, [&] { draw(empty); });

    std::printf("Rhythm panel: a K after 20 signs, median of many runs\n");
    std::printf("  %-46s %10s %10s\n", "", "klavet", "baseline");
    std::printf("  %-46s %8.1f us %10s\n", "judge the sign and the latest 20", judge, "");
    std::printf("  %-46s %8.1f us %10s\n", "word every figure", words, "");
    std::printf("  %-46s %8.1f us %8.1f us\n", "show and draw the panel (goal < 2000 us)", drawn, drawnEmpty);
    std::printf("  (baseline: the same panel drawn with no sign)\n");

    // On a desktop's sound server, as a learner runs it.
    const auto server = klavet::testing::MakeSoundServer("pulseaudio");
    if (!server->Start())
        std::printf("  (no private sound server: the idle figures are without one)\n");
    const std::string trainer = Directory() + "/klavet";
    const double open = klavet::bench::TrainerIdleCpuPercent(trainer, 20.0, {"--rhythm"});
    const double closed = klavet::bench::TrainerIdleCpuPercent(trainer, 20.0);
    std::printf("  %-46s %8.2f %% %8.2f %%\n", "trainer idle CPU, panel open (goal <= 0.3 %)", open, closed);
    std::printf("  (baseline: the trainer with the panel closed; 20 s each)\n");
    return 0;
}
