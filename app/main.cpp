// Starts the trainer: its window, shown, and the event loop.

#include "main_window.h"
#include "sound_output.h"

#include "design_font.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "key_port_option.h"

namespace {

// The window's shape, stacking and drag need X11: on a Wayland session the
// trainer goes through XWayland, unless the user chose a platform.
void PreferX11(int argc, char** argv) {
    if (!std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

} // namespace

int main(int argc, char** argv) {
    // The serial-port key: --key-port PATH.
    const klavet::KeyPortOption keyPort = klavet::TakeKeyPortOption(argc, argv);
    if (!keyPort.error.empty()) {
        std::fprintf(stderr, "klavet: %s\n", keyPort.error.c_str());
        return 2;
    }

    PreferX11(argc, argv);
    QApplication app(argc, argv);
    klavet::UseDesignStyle();
    klavet::WindowOptions options;
    options.sound = klavet::CreateSoundOutput();
    options.keyPort = keyPort.path;
    klavet::FrmKlavet window(std::move(options));
    window.show();
    return app.exec();
}
