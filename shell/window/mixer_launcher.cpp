#include "mixer_launcher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <vector>

namespace klavet {

std::optional<qint64> StartVolumeMixer() {
    const std::vector<QStringList> mixers = {
        {"pavucontrol"}, {"pavucontrol-qt"}, {"mate-volume-control"},
        {"gnome-control-center", "sound"}, {"xfce4-mixer"}, {"kmix"},
    };
    for (const QStringList& mixer : mixers) {
        const QString program = QStandardPaths::findExecutable(mixer.front());
        if (program.isEmpty())
            continue;
        qint64 pid = 0;
        if (QProcess::startDetached(program, mixer.mid(1), QString(), &pid))
            return pid;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace klavet
