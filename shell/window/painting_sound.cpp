#include "painting_sound.h"

#include <QEventLoop>

#include <thread>

namespace klavet {

void PaintingSound::PlaySoundSync(const std::string& path) {
    QEventLoop loop;
    std::thread player([this, &path, &loop] {
        inner_.PlaySoundSync(path);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    player.join();
}

} // namespace klavet
