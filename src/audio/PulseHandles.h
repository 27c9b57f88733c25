// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owning handles for libpulse objects. Include only from src/audio .cpp files.

#include <pulse/pulseaudio.h>

#include <memory>

namespace quaverly::pulse {

struct MainloopDeleter {
    void operator()(pa_threaded_mainloop *m) const noexcept { pa_threaded_mainloop_free(m); }
};
struct ContextDeleter {
    void operator()(pa_context *c) const noexcept { pa_context_unref(c); }
};
struct StreamDeleter {
    void operator()(pa_stream *s) const noexcept { pa_stream_unref(s); }
};
struct OperationDeleter {
    void operator()(pa_operation *o) const noexcept { pa_operation_unref(o); }
};
struct ProplistDeleter {
    void operator()(pa_proplist *p) const noexcept { pa_proplist_free(p); }
};

using MainloopPtr = std::unique_ptr<pa_threaded_mainloop, MainloopDeleter>;
using ContextPtr = std::unique_ptr<pa_context, ContextDeleter>;
using StreamPtr = std::unique_ptr<pa_stream, StreamDeleter>;
using OperationPtr = std::unique_ptr<pa_operation, OperationDeleter>;
using ProplistPtr = std::unique_ptr<pa_proplist, ProplistDeleter>;

// Holds the threaded main loop's lock for a scope. Callbacks run with the
// lock already held and the lock is not recursive, so on the main loop
// thread itself this does nothing.
class MainloopGuard {
public:
    explicit MainloopGuard(pa_threaded_mainloop *mainloop) noexcept
        : mMainloop(pa_threaded_mainloop_in_thread(mainloop) ? nullptr : mainloop)
    {
        if (mMainloop)
            pa_threaded_mainloop_lock(mMainloop);
    }
    ~MainloopGuard()
    {
        if (mMainloop)
            pa_threaded_mainloop_unlock(mMainloop);
    }
    MainloopGuard(const MainloopGuard &) = delete;
    MainloopGuard &operator=(const MainloopGuard &) = delete;

private:
    pa_threaded_mainloop *mMainloop;
};

} // namespace quaverly::pulse
