#include "audio_thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace klavet {

void RaiseAudioThreadPriority() {
    static thread_local bool asked = false;
    if (asked)
        return;
    asked = true;
    sched_param parameters{};
    parameters.sched_priority = 5;
    (void)pthread_setschedparam(pthread_self(), SCHED_RR, &parameters);
}

} // namespace klavet
