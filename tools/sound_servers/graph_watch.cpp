#include "graph_watch.h"

#include <pipewire/extensions/profiler.h>
#include <pipewire/impl.h>
#include <pipewire/pipewire.h>
#include <spa/param/profiler.h>
#include <spa/pod/iter.h>
#include <spa/pod/parser.h>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace klavet::testing {

namespace {

using namespace std::chrono_literals;

std::int64_t Nanoseconds(GraphWatch::Time t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// A node of the graph as one cycle's profile tells it; times in nanoseconds
// of the monotonic clock, which is steady_clock's.
struct Node {
    std::int32_t id = 0;
    std::string name;
    std::int64_t signal = 0;
    // 1 triggered, 2 awake, 3 finished; others are of nodes left out of the
    // cycle.
    std::int32_t status = 0;
    bool Triggered() const { return status >= 1 && status <= 3; }
    bool Finished() const { return status == 3; }
};

// One cycle's profile: when it began, how long it lasts and from which frame
// of the graph's clock, when the driver signalled its followers, and how far
// each got.
struct Profile {
    std::int64_t start = 0;
    std::int64_t period = 0;
    std::int64_t position = 0;
    std::int64_t frames = 0;
    std::int32_t rate = 0;
    std::int64_t signal = 0;
    std::vector<Node> followers;
};

// The block of the driver or of a follower: id, name, previous signal,
// signal, awake, finish, status, and more that is not needed here.
bool ReadBlock(const spa_pod* pod, Node& node) {
    const char* name = nullptr;
    std::int64_t previous = 0, awake = 0, finish = 0;
    if (spa_pod_parse_struct(pod, SPA_POD_Int(&node.id), SPA_POD_String(&name), SPA_POD_Long(&previous),
                             SPA_POD_Long(&node.signal), SPA_POD_Long(&awake), SPA_POD_Long(&finish),
                             SPA_POD_Int(&node.status)) < 0)
        return false;
    node.name = name ? name : "";
    return true;
}

Profile ReadProfile(const spa_pod_object* object) {
    Profile cycle;
    const spa_pod_prop* prop = nullptr;
    SPA_POD_OBJECT_FOREACH(object, prop) {
        Node node;
        if (prop->key == SPA_PROFILER_clock) {
            std::int32_t flags = 0, id = 0;
            const char* name = nullptr;
            spa_fraction rate{};
            if (spa_pod_parse_struct(&prop->value, SPA_POD_Int(&flags), SPA_POD_Int(&id),
                                     SPA_POD_String(&name), SPA_POD_Long(&cycle.start),
                                     SPA_POD_Fraction(&rate), SPA_POD_Long(&cycle.position),
                                     SPA_POD_Long(&cycle.frames)) >= 0 &&
                rate.num == 1 && rate.denom > 0) {
                cycle.rate = static_cast<std::int32_t>(rate.denom);
                cycle.period = cycle.frames * 1000000000LL / rate.denom;
            }
        } else if (prop->key == SPA_PROFILER_driverBlock && ReadBlock(&prop->value, node)) {
            cycle.signal = node.signal;
        } else if (prop->key == SPA_PROFILER_followerBlock && ReadBlock(&prop->value, node) &&
                   node.Triggered()) {
            cycle.followers.push_back(std::move(node));
        }
    }
    return cycle;
}

} // namespace

struct GraphWatch::State {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_registry* registry = nullptr;
    pw_proxy* profiler = nullptr;
    spa_hook registryHook{};
    spa_hook profilerHook{};

    std::string sink;
    // The loop thread's: each follower found at work, and since when.
    std::map<std::int32_t, std::int64_t> atWorkSince;

    mutable std::mutex lock;
    mutable std::condition_variable seen;
    std::int64_t latestStart = 0;
    // Where each late cycle began.
    std::vector<std::int64_t> late;
    // Every cycle, by where it began: a profile may come twice.
    std::map<std::int64_t, Cycle> cycles;

    // A cycle ran late when a follower was signalled more than a period and
    // a half after the driver, when the sink had not finished, or when a
    // follower was still at work a period after it was first found so: the
    // graph then drops or silences a period, for any client.
    void Take(const Profile& cycle) {
        if (cycle.start == 0 || cycle.period <= 0)
            return;
        if (cycle.signal == 0) {
            std::lock_guard lk(lock);
            Keep(cycle);
            return;
        }
        bool isLate = false;
        for (const Node& node : cycle.followers) {
            if (node.signal - cycle.signal > cycle.period * 3 / 2 || (node.name == sink && !node.Finished()))
                isLate = true;
            if (node.Finished()) {
                atWorkSince.erase(node.id);
                continue;
            }
            const auto [since, first] = atWorkSince.emplace(node.id, cycle.start);
            if (!first && cycle.start - since->second >= cycle.period * 9 / 10)
                isLate = true;
        }
        std::lock_guard lk(lock);
        if (isLate)
            late.push_back(cycle.start);
        Keep(cycle);
    }

    // With the lock held.
    void Keep(const Profile& cycle) {
        cycles.try_emplace(cycle.start, Cycle{Time(std::chrono::nanoseconds(cycle.start)), cycle.position,
                                              cycle.frames, cycle.rate});
        latestStart = std::max(latestStart, cycle.start);
        seen.notify_all();
    }

    static void OnProfile(void* self, const spa_pod* pod) {
        const void* body = SPA_POD_BODY_CONST(pod);
        const std::uint32_t size = SPA_POD_BODY_SIZE(pod);
        for (auto* object = static_cast<const spa_pod*>(body); spa_pod_is_inside(body, size, object);
             object = static_cast<const spa_pod*>(spa_pod_next(object)))
            if (spa_pod_is_object_type(object, SPA_TYPE_OBJECT_Profiler))
                static_cast<State*>(self)->Take(ReadProfile(reinterpret_cast<const spa_pod_object*>(object)));
    }

    static void OnGlobal(void* data, uint32_t id, uint32_t, const char* type, uint32_t, const spa_dict*) {
        auto* self = static_cast<State*>(data);
        if (self->profiler || std::strcmp(type, PW_TYPE_INTERFACE_Profiler) != 0)
            return;
        self->profiler =
            static_cast<pw_proxy*>(pw_registry_bind(self->registry, id, type, PW_VERSION_PROFILER, 0));
        if (!self->profiler)
            return;
        static const pw_profiler_events events = {PW_VERSION_PROFILER_EVENTS, OnProfile};
        pw_proxy_add_object_listener(self->profiler, &self->profilerHook, &events, self);
    }
};

GraphWatch::GraphWatch(const std::string& runtimeDir, const std::string& sink)
    : state_(std::make_unique<State>()) {
    pw_init(nullptr, nullptr);
    State& s = *state_;
    s.sink = sink;
    s.loop = pw_thread_loop_new("graph-watch", nullptr);
    if (!s.loop)
        return;
    s.context = pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0);
    // The profiler's messages are read by its module, loaded on this side too.
    if (!s.context || !pw_context_load_module(s.context, PW_EXTENSION_MODULE_PROFILER, nullptr, nullptr))
        return;
    const std::string remote = runtimeDir + "/pipewire-0";
    s.core = pw_context_connect(s.context, pw_properties_new(PW_KEY_REMOTE_NAME, remote.c_str(), nullptr), 0);
    if (!s.core)
        return;
    s.registry = pw_core_get_registry(s.core, PW_VERSION_REGISTRY, 0);
    static const pw_registry_events events = {PW_VERSION_REGISTRY_EVENTS, State::OnGlobal, nullptr};
    pw_registry_add_listener(s.registry, &s.registryHook, &events, &s);
    pw_thread_loop_start(s.loop);
}

GraphWatch::~GraphWatch() {
    State& s = *state_;
    if (s.loop)
        pw_thread_loop_stop(s.loop);
    if (s.profiler)
        pw_proxy_destroy(s.profiler);
    if (s.registry)
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(s.registry));
    if (s.core)
        pw_core_disconnect(s.core);
    if (s.context)
        pw_context_destroy(s.context);
    if (s.loop)
        pw_thread_loop_destroy(s.loop);
}

bool GraphWatch::Watching() const {
    std::unique_lock lk(state_->lock);
    return state_->seen.wait_for(lk, 2s, [&] { return state_->latestStart > 0; });
}

bool GraphWatch::LateBetween(Time from, Time to) const {
    const std::int64_t begin = Nanoseconds(from);
    const std::int64_t end = Nanoseconds(to);
    std::unique_lock lk(state_->lock);
    if (!state_->seen.wait_for(lk, 1s, [&] { return state_->latestStart >= end; }))
        return true;
    for (std::int64_t start : state_->late)
        if (start >= begin && start <= end)
            return true;
    return false;
}

std::vector<GraphWatch::Cycle> GraphWatch::CyclesBetween(Time from, Time to) const {
    const std::int64_t end = Nanoseconds(to);
    std::unique_lock lk(state_->lock);
    state_->seen.wait_for(lk, 1s, [&] { return state_->latestStart >= end; });
    std::vector<Cycle> between;
    for (auto at = state_->cycles.lower_bound(Nanoseconds(from));
         at != state_->cycles.end() && at->first <= end; ++at)
        between.push_back(at->second);
    return between;
}

} // namespace klavet::testing
