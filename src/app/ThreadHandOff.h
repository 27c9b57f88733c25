// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Describes a hand-off between threads through Qt's event queue to
// ThreadSanitizer; empty in every other build.
//
// Posting an event and running it are ordered by the queue's mutex, so the
// receiver sees everything the sender wrote before the post. Qt as Debian
// ships it is not built for ThreadSanitizer, which therefore cannot see that
// mutex and would report each posted capture block as a race. The sender
// calls publish() before it builds the post and builds it inside an
// Unwatched scope (the functor's own bookkeeping); the posted function calls
// receive() before it touches what it was given.

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

// Sending thread, before the post is built; `tag` names the hand-off.
inline void publish(const void *tag) noexcept
{
#ifdef QUAVERLY_THREAD_SANITIZER
    __tsan_release(const_cast<void *>(tag));
#else
    (void)tag;
#endif
}

// Receiving thread, first thing in the posted function.
inline void receive(const void *tag) noexcept
{
#ifdef QUAVERLY_THREAD_SANITIZER
    __tsan_acquire(const_cast<void *>(tag));
#else
    (void)tag;
#endif
}

// Sending thread: around building the post, whose memory the queue hands over.
class Unwatched {
public:
    Unwatched() noexcept
    {
#ifdef QUAVERLY_THREAD_SANITIZER
        __tsan_ignore_thread_begin();
#endif
    }
    ~Unwatched()
    {
#ifdef QUAVERLY_THREAD_SANITIZER
        __tsan_ignore_thread_end();
#endif
    }
    Unwatched(const Unwatched &) = delete;
    Unwatched &operator=(const Unwatched &) = delete;
};

} // namespace quaverly::handoff
