// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Describes a hand-off between threads through Qt's event queue to
// ThreadSanitizer; empty in every other build.
//
// Posting an event and running it are ordered by the queue's mutex, so the
// receiver sees everything the sender wrote before the post. Qt as Debian
// ships it is not built for ThreadSanitizer, which therefore cannot see that
// mutex and would report each posted capture block as a race. The sender
// builds the post inside a Sending scope (which publishes and hides the
// functor's own bookkeeping); the posted function calls receive() before it
// touches what it was given.

#if defined(__SANITIZE_THREAD__)
#define QUAVERLY_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUAVERLY_THREAD_SANITIZER 1
#endif
#endif

#ifdef QUAVERLY_THREAD_SANITIZER
extern "C" {
void __tsan_acquire(void *addr);
void __tsan_release(void *addr);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace quaverly::handoff {

// Sending thread, around building the post; `tag` names the hand-off.
class Sending {
public:
    explicit Sending([[maybe_unused]] const void *tag) noexcept
    {
#ifdef QUAVERLY_THREAD_SANITIZER
        __tsan_release(const_cast<void *>(tag));
        __tsan_ignore_thread_begin();
#endif
    }
    ~Sending()
    {
#ifdef QUAVERLY_THREAD_SANITIZER
        __tsan_ignore_thread_end();
#endif
    }
    Sending(const Sending &) = delete;
    Sending &operator=(const Sending &) = delete;
};

// Receiving thread, first thing in the posted function.
inline void receive([[maybe_unused]] const void *tag) noexcept
{
#ifdef QUAVERLY_THREAD_SANITIZER
    __tsan_acquire(const_cast<void *>(tag));
#endif
}

} // namespace quaverly::handoff
