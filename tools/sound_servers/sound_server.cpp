#include "sound_server.h"

#include "pipewire_server.h"
#include "pulse_server.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace klavet::testing {

std::string MakeServerDir(const char* prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    std::filesystem::create_directories(pattern + "/run");
    ::chmod((pattern + "/run").c_str(), 0700);
    std::ofstream(pattern + "/client.conf") << "autospawn = no\n";
    return pattern;
}

void SoundServer::Freeze() {
    if (Pid() > 0)
        ::kill(Pid(), SIGSTOP);
}

void SoundServer::Thaw() {
    if (Pid() > 0)
        ::kill(Pid(), SIGCONT);
}

std::unique_ptr<SoundServer> MakeSoundServer(const std::string& kind, PipeWirePeriods periods) {
    if (kind == "pipewire")
        return std::make_unique<PipeWireServer>(periods);
    return std::make_unique<PulseServer>();
}

} // namespace klavet::testing
