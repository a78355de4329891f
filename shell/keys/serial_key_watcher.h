#pragma once

// Watches a serial-port key on a thread of its own: settles a bouncing contact,
// hands each change on with its first edge's time, reports a port that cannot
// serve and looks again for an unplugged one. It knows nothing of the window.

#include "clock.h"
#include "modem_port.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace klavet {

class SerialKeyWatcher {
public:
    struct Timing {
        // How long the lines must hold still before a change is accepted.
        std::chrono::nanoseconds settle = std::chrono::milliseconds(2);
        // How often the lines are read while nothing wakes the wait: a change
        // made just before a wait began does not wake it.
        std::chrono::nanoseconds look = std::chrono::milliseconds(100);
        // How often a missing port is looked for.
        std::chrono::nanoseconds lookAgain = std::chrono::milliseconds(500);
    };

    // Called on the watcher's thread: the contact closed or opened at `at`.
    using ContactSink = std::function<void(bool closed, SteadyTime at)>;
    // What became of the port, for the learner.
    struct News {
        enum class Kind {
            Refused,   // it cannot serve: `failure` says why; it is not looked at again
            Awaited,   // it is not there: it will be used once it is plugged in
            PluggedIn, // it came, and keys
            Unplugged, // it went: it will be used again once it is back
        };
        Kind kind;
        OpenFailure failure; // for Refused
        bool operator==(const News&) const = default;
    };
    // Called on the watcher's thread with each piece of news.
    using Teller = std::function<void(const News& news)>;

    SerialKeyWatcher(std::string path, std::unique_ptr<ModemPort> port, const Clock& clock,
                     ContactSink contact, Teller tell, Timing timing);
    SerialKeyWatcher(std::string path, std::unique_ptr<ModemPort> port, const Clock& clock,
                     ContactSink contact, Teller tell)
        : SerialKeyWatcher(std::move(path), std::move(port), clock, std::move(contact), std::move(tell),
                           Timing{}) {}
    // Stops the thread; a contact held then is not let up.
    ~SerialKeyWatcher();

    SerialKeyWatcher(const SerialKeyWatcher&) = delete;
    SerialKeyWatcher& operator=(const SerialKeyWatcher&) = delete;

private:
    void Run();
    bool Watch();
    WaitResult Settle();
    void Accept(InputLines lines, SteadyTime firstEdge);
    bool PauseUnlessStopped(std::chrono::nanoseconds pause);


    const std::string path_;
    const std::unique_ptr<ModemPort> port_;
    const Clock& clock_;
    const ContactSink contact_;
    const Teller tell_;
    const Timing timing_;

    // Lines raised when the port opened count only once they have dropped:
    // a line wired high (a looped-back DSR) never holds the key down.
    InputLines live_ = 0;
    bool closed_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace klavet
