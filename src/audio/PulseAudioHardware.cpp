// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseAudioHardware.h"

#include "CallbackRegistry.h"

#include "audio/FrameAssembler.h"
#include "audio/PulseHandles.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <map>
#include <numeric>

namespace quaverly {

using namespace pulse;

namespace {

// A cached pa_source_info, kept current by the server's events.
struct Source {
    std::string name;
    std::string description;
    std::string manufacturer;
    std::uint32_t index = PA_INVALID_INDEX;
    bool isMonitor = false;
    bool present = false;
    pa_sample_spec spec{};
    pa_channel_map map{};
    pa_cvolume volume{};
    // Base for the next per-channel write until the server reports back,
    // so that writing channel 1, then 2, … does not undo the earlier ones.
    std::optional<pa_cvolume> pendingVolume;
    std::vector<std::string> portNames;
    std::vector<std::string> portDescriptions;
    std::string activePort;
};

std::string manufacturerOf(const pa_source_info &info)
{
    if (const char *vendor = pa_proplist_gets(info.proplist, PA_PROP_DEVICE_VENDOR_NAME); vendor && *vendor)
        return vendor;
    // Virtual sources (null sinks, remaps, network) name no vendor.
    return info.monitor_of_sink != PA_INVALID_INDEX ? "Monitor" : "Sound server";
}

// How long an open stream may deliver nothing before it is opened again.
constexpr std::uint64_t kSilentStreamNs = 2'000'000'000;

static_assert(FrameAssembler::kMaxFrameBytes >= PA_CHANNELS_MAX * sizeof(float));

} // namespace

struct PulseAudioHardware::Impl {
    // One started IO procedure on one device. The record stream comes and
    // goes with the source and the server; the capture stays until stop().
    struct Capture {
        Impl *owner = nullptr;
        AudioDeviceID device = kAudioDeviceUnknown;
        AudioDeviceIOProc proc = nullptr;
        void *clientData = nullptr;
        StreamPtr stream;
        AudioBufferListPtr list = makeAudioBufferList(1);
        std::uint32_t channels = 0;
        std::uint32_t frameBytes = 0;
        double position = 0.0;
        FrameAssembler frames;
        // Main loop thread only: when the stream was opened, and whether it
        // has delivered anything since.
        std::uint64_t openedNs = 0;
        bool heard = false;
    };

    // The reference tone's playback stream; goes with its stream.
    struct Output {
        AudioOutputRenderProc render = nullptr;
        AudioOutputEndedProc ended = nullptr;
        void *clientData = nullptr;
        float rateHz = 48000.0f;
        StreamPtr stream;
    };


    static constexpr pa_usec_t kFirstRetryUs = 100000;
    static constexpr pa_usec_t kLastRetryUs = 1000000;

    MainloopPtr mainloop;
    bool mainloopRunning = false;

    // Everything below is guarded by the main loop lock.
    ContextPtr context;
    // Sources listed: now, and at least once (read without the lock).
    bool connected = false;
    std::atomic<bool> everConnected = false;
    pa_time_event *retryEvent = nullptr;
    pa_usec_t retryDelayUs = kFirstRetryUs;
    std::map<AudioDeviceID, Source> sources;
    std::map<std::string, AudioDeviceID> idsByName;
    std::string defaultSourceName;
    std::uint32_t defaultRateHz = 48000;
    std::unique_ptr<Output> output;
    CallbackRegistry callbacks;
    std::vector<std::unique_ptr<Capture>> captures;
    int pendingListings = 0;

    Source *source(AudioDeviceID device)
    {
        auto it = sources.find(device);
        return it == sources.end() ? nullptr : &it->second;
    }

    // `read` of the device's cached source (null if unknown) under the
    // lock; `none` without a main loop.
    template <class R, class F>
    R withSource(AudioDeviceID device, R none, F read)
    {
        if (!mainloop)
            return none;
        const MainloopGuard guard(mainloop.get());
        return read(static_cast<const Source *>(source(device)));
    }

    // `act` on the device's source under the lock if it is an input that
    // is there now; kAudioHardwareBadDeviceError otherwise.
    template <class F>
    OSStatus withPresentSource(AudioDeviceID device, bool isInput, F act)
    {
        if (!isInput || !mainloop)
            return kAudioHardwareBadDeviceError;
        const MainloopGuard guard(mainloop.get());
        Source *s = source(device);
        return s && s->present ? act(*s) : kAudioHardwareBadDeviceError;
    }

    // Lock held. Starts connecting; onContextState carries it on.
    void beginConnect()
    {
        dropContext();
        ProplistPtr props(pa_proplist_new());
        pa_proplist_sets(props.get(), PA_PROP_APPLICATION_NAME, "Quaverly");
        pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ID, "org.quillfen.Quaverly");
        pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ICON_NAME, "audio-input-microphone");
        context.reset(pa_context_new_with_proplist(
            pa_threaded_mainloop_get_api(mainloop.get()), "Quaverly", props.get()));
        if (!context)
            return;
        pa_context_set_state_callback(context.get(), &Impl::onContextState, this);
        pa_context_set_subscribe_callback(context.get(), &Impl::onSubscription, this);
        // Never start a server behind the user's back: that could block.
        if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            dropContext();
    }

    bool contextIsGood() const { return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context.get())); }
    bool contextIsReady() const { return context && pa_context_get_state(context.get()) == PA_CONTEXT_READY; }

    // Lock held. Streams of the old context go with it; captures stay.
    void dropContext()
    {
        for (auto &c : captures)
            closeStream(*c);
        closeOutput();
        if (context) {
            pa_context_set_state_callback(context.get(), nullptr, nullptr);
            pa_context_set_subscribe_callback(context.get(), nullptr, nullptr);
            pa_context_disconnect(context.get());
            context.reset();
        }
        connected = false;
    }

    // Lock held. One timer serves reconnecting and reopening.
    void scheduleRetry()
    {
        if (!mainloopRunning)
            return;
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, retryDelayUs);
        retryDelayUs = std::min(retryDelayUs * 2, kLastRetryUs);
        pa_mainloop_api *api = pa_threaded_mainloop_get_api(mainloop.get());
        if (retryEvent)
            api->time_restart(retryEvent, &when);
        else
            retryEvent = api->time_new(api, &when, &Impl::onRetry, this);
    }

    static void onRetry(pa_mainloop_api *, pa_time_event *, const timeval *, void *userdata) noexcept
    {
        auto *self = static_cast<Impl *>(userdata);
        if (!self->connected) {
            // Still connecting or reading the sources is not a failure;
            // libpulse gives up on a server that never answers.
            if (!self->contextIsGood())
                self->beginConnect();
            self->scheduleRetry();
            return;
        }
        bool waiting = false;
        for (auto &c : self->captures) {
            const Source *s = self->source(c->device);
            if (!s || !s->present)
                continue;
            // A stream that no session manager linked (PipeWire coming back
            // before WirePlumber) stays silent for good: open it again.
            if (c->stream && !c->heard && hostTimeNs() - c->openedNs > kSilentStreamNs)
                closeStream(*c);
            if (!c->stream)
                waiting |= !self->openStream(*c);
            waiting |= !c->heard;
        }
        if (waiting)
            self->scheduleRetry();
    }

    static void closeStream(Capture &c)
    {
        if (!c.stream)
            return;
        pa_stream_set_read_callback(c.stream.get(), nullptr, nullptr);
        pa_stream_set_state_callback(c.stream.get(), nullptr, nullptr);
        const pa_stream_state_t state = pa_stream_get_state(c.stream.get());
        if (state == PA_STREAM_CREATING) {
            // libpulse cannot disconnect a stream the server has not
            // confirmed yet; dropping it now would leave the recording
            // running on the server. Finish it once it is ready.
            pa_stream_set_state_callback(c.stream.get(), &Impl::onClosingState, nullptr);
            (void)c.stream.release();
            return;
        }
        if (state == PA_STREAM_READY)
            pa_stream_disconnect(c.stream.get());
        c.stream.reset();
    }

    // Lock held. After this no callback of the output runs.
    void closeOutput()
    {
        if (!output)
            return;
        pa_stream *s = output->stream.get();
        pa_stream_set_write_callback(s, nullptr, nullptr);
        pa_stream_set_state_callback(s, nullptr, nullptr);
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_CREATING) {
            // As closeStream: finished once the server has confirmed it.
            pa_stream_set_state_callback(s, &Impl::onClosingState, nullptr);
            (void)output->stream.release();
        } else if (state == PA_STREAM_READY) {
            pa_stream_disconnect(s);
        }
        output.reset();
    }

    // The output failed by itself (sink unloaded, stream killed): it is not
    // moved elsewhere but ends, and its owner is told once.
    static void onOutputState(pa_stream *s, void *userdata) noexcept
    {
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            return;
        auto *self = static_cast<Impl *>(userdata);
        self->endOutput();
    }

    // Lock held, on the main loop thread.
    void endOutput()
    {
        if (!output)
            return;
        const AudioOutputEndedProc ended = output->ended;
        void *const clientData = output->clientData;
        closeOutput();
        if (ended)
            ended(clientData);
    }

    // The IO path of the output: the owner's samples straight into the
    // server's buffer; no locks (held already), no allocation.
    static void onWrite(pa_stream *s, std::size_t, void *userdata) noexcept
    {
        const Output &o = *static_cast<Impl *>(userdata)->output;
        for (std::size_t writable = pa_stream_writable_size(s); writable >= sizeof(float) && writable != std::size_t(-1);
             writable = pa_stream_writable_size(s)) {
            void *data = nullptr;
            std::size_t bytes = writable;
            if (pa_stream_begin_write(s, &data, &bytes) < 0 || !data || bytes < sizeof(float))
                return;
            bytes -= bytes % sizeof(float);
            o.render(static_cast<float *>(data), std::uint32_t(bytes / sizeof(float)), o.rateHz, o.clientData);
            if (pa_stream_write(s, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
        }
    }

    // Owns the stream it is called for.
    static void onClosingState(pa_stream *s, void *) noexcept
    {
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_READY) {
            pa_stream_disconnect(s);
        } else if (!PA_STREAM_IS_GOOD(state)) {
            pa_stream_set_state_callback(s, nullptr, nullptr);
            pa_stream_unref(s);
        }
    }

    // A stream that ends without stop() (source gone, recording killed) is
    // opened again once its source is there; libpulse holds a reference
    // during this call, so dropping ours here is safe.
    static void onStreamState(pa_stream *s, void *userdata) noexcept
    {
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            return;
        auto &c = *static_cast<Capture *>(userdata);
        closeStream(c);
        c.owner->scheduleRetry();
    }

    // Lock held. Records at the source's own rate and channel count, so the
    // samples match what streamFormat reports.
    bool openStream(Capture &c)
    {
        closeStream(c);
        Source *s = source(c.device);
        if (!s || !s->present || !contextIsReady())
            return false;
        pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, s->spec.rate, s->spec.channels};
        pa_channel_map map = s->map;
        if (!pa_channel_map_valid(&map) || map.channels != spec.channels)
            pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
        c.stream.reset(pa_stream_new(context.get(), "Tuner input", &spec, &map));
        if (!c.stream)
            return false;
        c.channels = spec.channels;
        c.frameBytes = std::uint32_t(pa_frame_size(&spec));
        c.frames.reset(c.frameBytes);
        pa_stream_set_read_callback(c.stream.get(), &Impl::onRead, &c);
        pa_stream_set_state_callback(c.stream.get(), &Impl::onStreamState, &c);
        // 1024 frames at 48 kHz (21 ms): small enough for a quick reading,
        // large enough that PipeWire does not shorten every other
        // application's quantum. No ADJUST_LATENCY: that reconfigures the
        // source (and PipeWire's graph) for everyone.
        pa_buffer_attr attr{};
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
        const auto fragmentFrames = std::max<std::uint64_t>(1, (std::uint64_t(spec.rate) * 1024 + 24000) / 48000);
        attr.fragsize = std::uint32_t(fragmentFrames * c.frameBytes);
        // DONT_MOVE: a source that goes away is not silently replaced.
        if (pa_stream_connect_record(c.stream.get(), s->name.c_str(), &attr, PA_STREAM_DONT_MOVE) < 0) {
            closeStream(c);
            return false;
        }
        c.openedNs = hostTimeNs();
        c.heard = false;
        scheduleRetry();
        return true;
    }

    // Lock held; on the main loop thread, or the main thread holding it.
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property)
    {
        callbacks.notify(device, channel, property);
    }

    // Lock held. Tells listeners of a known source what changed; a source
    // that is back (re-plugged, or the server restarted) gets its captures
    // again.
    void updateSource(const pa_source_info &info)
    {
        // Ids count from 1 and are never reused.
        const AudioDeviceID id = idsByName.try_emplace(info.name, AudioDeviceID(idsByName.size() + 1)).first->second;
        Source &s = sources[id];
        const bool known = !s.name.empty();
        const Source old = s;
        s.name = info.name;
        s.description = info.description ? info.description : info.name;
        s.manufacturer = manufacturerOf(info);
        s.index = info.index;
        s.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX;
        s.present = true;
        s.spec = info.sample_spec;
        s.map = info.channel_map;
        s.volume = info.volume;
        s.pendingVolume.reset();
        s.portNames.clear();
        s.portDescriptions.clear();
        for (std::uint32_t i = 0; i < info.n_ports; ++i) {
            s.portNames.emplace_back(info.ports[i]->name);
            s.portDescriptions.emplace_back(info.ports[i]->description ? info.ports[i]->description : info.ports[i]->name);
        }
        s.activePort = info.active_port ? info.active_port->name : "";
        const bool cameBack = !old.present;
        // A listing in progress reports the list once it is complete.
        if (cameBack && connected)
            notify(kAudioDeviceUnknown, 0, kAudioHardwarePropertyDevices);
        if (!known)
            return;

        const bool formatChanged = old.spec.rate != s.spec.rate || old.spec.channels != s.spec.channels;
        if (cameBack || formatChanged) {
            for (auto &c : captures)
                if (c->device == id && (c->stream || cameBack) && !openStream(*c))
                    scheduleRetry();
        }
        if (formatChanged) {
            if (old.spec.channels != s.spec.channels)
                notify(id, 0, kAudioDevicePropertyStreamConfiguration);
            notify(id, 0, kAudioDevicePropertyStreamFormat);
        }
        if (old.portNames != s.portNames)
            notify(id, 0, kAudioDevicePropertyDeviceHasChanged);
        if (old.activePort != s.activePort)
            notify(id, 0, kAudioDevicePropertyDataSource);
        if (cameBack || old.volume.channels != s.volume.channels || !pa_cvolume_equal(&old.volume, &s.volume))
            notify(id, 0, kAudioDevicePropertyVolumeScalar);
        if (cameBack)
            notify(id, 0, kAudioDevicePropertyDeviceIsAlive);
    }

    // Lock held. The source is gone: its captures wait for it.
    void loseSource(AudioDeviceID id, Source &s)
    {
        if (!s.present)
            return;
        s.present = false;
        for (auto &c : captures)
            if (c->device == id)
                closeStream(*c);
        notify(id, 0, kAudioDevicePropertyDeviceIsAlive);
    }

    static void onContextState(pa_context *c, void *userdata) noexcept
    {
        auto *self = static_cast<Impl *>(userdata);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_READY) {
            OperationPtr(pa_context_subscribe(c,
                pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER), nullptr,
                nullptr));
            self->pendingListings = 2;
            OperationPtr(pa_context_get_server_info(c, &Impl::onServerInfo, self));
            OperationPtr(pa_context_get_source_info_list(c, &Impl::onSourceListing, self));
            return;
        }
        if (PA_CONTEXT_IS_GOOD(state))
            return;
        // The server went away (or never answered): every source is gone
        // with it, also one that came back while the list was being read.
        // The context is replaced from the retry timer, not here.
        self->connected = false;
        self->endOutput();
        for (auto &[id, s] : self->sources)
            self->loseSource(id, s);
        self->scheduleRetry();
    }

    void listingDone()
    {
        if (pendingListings > 0 && --pendingListings == 0) {
            connected = true;
            everConnected.store(true, std::memory_order_release);
            retryDelayUs = kFirstRetryUs;
            notify(kAudioDeviceUnknown, 0, kAudioHardwarePropertyDevices);
        }
    }

    static void onServerInfo(pa_context *, const pa_server_info *info, void *userdata) noexcept
    {
        auto *self = static_cast<Impl *>(userdata);
        if (info && info->default_source_name)
            self->defaultSourceName = info->default_source_name;
        if (info && pa_sample_spec_valid(&info->sample_spec))
            self->defaultRateHz = info->sample_spec.rate;
        self->listingDone();
    }

    static void onSourceListing(pa_context *, const pa_source_info *info, int eol, void *userdata) noexcept
    {
        auto *self = static_cast<Impl *>(userdata);
        if (eol != 0)
            self->listingDone();
        else if (info)
            self->updateSource(*info);
    }

    static void onSourceChanged(pa_context *, const pa_source_info *info, int eol, void *userdata) noexcept
    {
        if (eol == 0 && info)
            static_cast<Impl *>(userdata)->updateSource(*info);
    }

    static void onSubscription(pa_context *c, pa_subscription_event_type_t t, std::uint32_t index,
        void *userdata) noexcept
    {
        auto *self = static_cast<Impl *>(userdata);
        const auto facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto type = t & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            OperationPtr(pa_context_get_server_info(c, &Impl::onServerInfo, self));
            return;
        }
        if (facility != PA_SUBSCRIPTION_EVENT_SOURCE)
            return;
        if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
            for (auto &[id, s] : self->sources) {
                if (s.index == index && s.present) {
                    self->loseSource(id, s);
                    break;
                }
            }
            return;
        }
        OperationPtr(pa_context_get_source_info_by_index(c, index, &Impl::onSourceChanged, self));
    }

    // The IO path: no locks (the main loop already holds its own), no
    // allocation, no logging.
    static void onRead(pa_stream *s, std::size_t, void *userdata) noexcept
    {
        auto &c = *static_cast<Capture *>(userdata);
        c.heard = true;
        for (;;) {
            const void *data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0)
                return;
            if (data) {
                c.frames.push(static_cast<const std::uint8_t *>(data), bytes,
                    [&c](const std::uint8_t *frames, std::size_t count) {
                        deliverInput({c.device, c.proc, c.clientData}, *c.list, c.position, frames, count, c.channels,
                            c.frameBytes);
                    });
            } else {
                // A hole: the frames are lost; keep the clock honest.
                c.frames.dropPartial();
                c.position += double(bytes / c.frameBytes);
            }
            pa_stream_drop(s);
        }
    }
};

PulseAudioHardware::PulseAudioHardware()
    : d(std::make_unique<Impl>())
{
    d->mainloop.reset(pa_threaded_mainloop_new());
    if (!d->mainloop)
        return;
    pa_threaded_mainloop_set_name(d->mainloop.get(), "quaverly-pulse");
    d->mainloopRunning = pa_threaded_mainloop_start(d->mainloop.get()) >= 0;
    if (!d->mainloopRunning)
        return;
    const MainloopGuard guard(d->mainloop.get());
    d->beginConnect();
    d->scheduleRetry();
}

PulseAudioHardware::~PulseAudioHardware()
{
    // Without a running main loop no context was made.
    if (!d->mainloopRunning)
        return;
    pa_threaded_mainloop_lock(d->mainloop.get());
    d->closeOutput();
    d->callbacks.clearListeners();
    d->captures.clear();
    d->dropContext();
    if (d->retryEvent)
        pa_threaded_mainloop_get_api(d->mainloop.get())->time_free(d->retryEvent);
    d->retryEvent = nullptr;
    pa_threaded_mainloop_unlock(d->mainloop.get());
    pa_threaded_mainloop_stop(d->mainloop.get());
}

bool PulseAudioHardware::isDeviceAlive(AudioDeviceID device)
{
    // Ready, not connected: a source that is back is told while the
    // server's list is still being read.
    return d->withSource(device, false, [this](const Source *s) { return d->contextIsReady() && s && s->present; });
}

bool PulseAudioHardware::isDeviceListKnown()
{
    // Without a running main loop no list will ever come.
    return !d->mainloopRunning || d->everConnected.load(std::memory_order_acquire);
}

std::vector<AudioDeviceID> PulseAudioHardware::devices()
{
    if (!d->mainloop)
        return {};
    const MainloopGuard guard(d->mainloop.get());
    std::vector<std::pair<AudioDeviceID, const Source *>> present;
    for (const auto &[id, s] : d->sources)
        if (s.present)
            present.emplace_back(id, &s);
    // The server's default source first, so a first run opens the user's
    // usual input; then capture sources, then monitors of outputs.
    auto rank = [this](const Source &s) { return s.name == d->defaultSourceName ? 0 : s.isMonitor ? 2 : 1; };
    std::ranges::stable_sort(present, [&](const auto &a, const auto &b) {
        const int ra = rank(*a.second), rb = rank(*b.second);
        return ra != rb ? ra < rb : a.second->index < b.second->index;
    });
    std::vector<AudioDeviceID> ids;
    for (const auto &p : present)
        ids.push_back(p.first);
    return ids;
}

OSStatus PulseAudioHardware::streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format)
{
    return d->withPresentSource(device, isInput, [&format](const Source &s) {
        const std::uint32_t channels = s.spec.channels;
        format = packedFloatFormat(double(s.spec.rate), channels);
        return kAudioNoError;
    });
}

std::string PulseAudioHardware::deviceName(AudioDeviceID device, bool)
{
    return d->withSource(device, std::string(), [](const Source *s) { return s ? s->description : std::string(); });
}

std::string PulseAudioHardware::deviceManufacturer(AudioDeviceID device, bool)
{
    return d->withSource(device, std::string(), [](const Source *s) { return s ? s->manufacturer : std::string(); });
}

bool PulseAudioHardware::isDataSourceSettable(AudioDeviceID device, bool isInput)
{
    // A single port is no choice: the device's own name says more.
    return isInput && d->withSource(device, false, [](const Source *s) { return s && s->portNames.size() >= 2; });
}

std::vector<std::uint32_t> PulseAudioHardware::dataSources(AudioDeviceID device, bool isInput)
{
    std::vector<std::uint32_t> ids(isInput ? d->withSource(device, std::size_t(0), [](const Source *s) {
        return s ? s->portNames.size() : 0;
    }) : 0);
    std::iota(ids.begin(), ids.end(), 1u);
    return ids;
}

std::optional<std::string> PulseAudioHardware::dataSourceName(AudioDeviceID device, bool isInput, std::uint32_t source)
{
    if (!isInput)
        return std::nullopt;
    return d->withSource(device, std::optional<std::string>(), [source](const Source *s) {
        return s && source >= 1 && source <= s->portDescriptions.size()
            ? std::optional(s->portDescriptions[source - 1]) : std::nullopt;
    });
}

OSStatus PulseAudioHardware::setDataSource(AudioDeviceID device, bool isInput, std::uint32_t source)
{
    return d->withPresentSource(device, isInput, [&](const Source &s) {
        if (!d->contextIsReady())
            return kAudioHardwareBadDeviceError;
        if (source < 1 || source > s.portNames.size())
            return kAudioHardwareUnknownPropertyError;
        OperationPtr(pa_context_set_source_port_by_name(
            d->context.get(), s.name.c_str(), s.portNames[source - 1].c_str(), nullptr, nullptr));
        return kAudioNoError;
    });
}

AudioBufferListPtr PulseAudioHardware::streamConfiguration(AudioDeviceID device, bool isInput)
{
    AudioBufferListPtr list;
    // One interleaved stream with all the source's channels.
    d->withPresentSource(device, isInput, [&list](const Source &s) {
        list = makeAudioBufferList(1);
        list->mBuffers[0].mNumberChannels = s.spec.channels;
        return kAudioNoError;
    });
    return list;
}

bool PulseAudioHardware::isVolumeSettable(AudioDeviceID device, std::uint32_t channel, bool isInput)
{
    return isInput && d->withSource(device, false, [channel](const Source *s) {
        return s && s->present && channel >= 1 && channel <= s->volume.channels;
    });
}

OSStatus PulseAudioHardware::volumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float &scalar)
{
    return d->withPresentSource(device, isInput, [&](const Source &s) {
        if (channel < 1 || channel > s.volume.channels)
            return kAudioHardwareUnknownPropertyError;
        // Software gain above 100 % reads as full scale.
        scalar = float(std::min(1.0, double(s.volume.values[channel - 1]) / double(PA_VOLUME_NORM)));
        return kAudioNoError;
    });
}

OSStatus PulseAudioHardware::setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float scalar)
{
    return d->withPresentSource(device, isInput, [&](Source &s) {
        if (!d->contextIsReady())
            return kAudioHardwareBadDeviceError;
        if (channel < 1 || channel > s.volume.channels || std::isnan(scalar))
            return kAudioHardwareUnknownPropertyError;
        pa_cvolume volume = s.pendingVolume.value_or(s.volume);
        const double clamped = std::clamp(double(scalar), 0.0, 1.0);
        volume.values[channel - 1] = pa_volume_t(std::lround(clamped * double(PA_VOLUME_NORM)));
        s.pendingVolume = volume;
        OperationPtr(pa_context_set_source_volume_by_name(d->context.get(), s.name.c_str(), &volume, nullptr, nullptr));
        return kAudioNoError;
    });
}

OSStatus PulseAudioHardware::addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData)
{
    if (!proc || !d->mainloop)
        return kAudioHardwareUnspecifiedError;
    const MainloopGuard guard(d->mainloop.get());
    d->callbacks.addIOProc(device, proc, clientData);
    return kAudioNoError;
}

OSStatus PulseAudioHardware::removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc)
{
    if (!d->mainloop)
        return kAudioHardwareUnspecifiedError;
    stop(device, proc);
    const MainloopGuard guard(d->mainloop.get());
    d->callbacks.removeIOProc(device, proc);
    return kAudioNoError;
}

OSStatus PulseAudioHardware::start(AudioDeviceID device, AudioDeviceIOProc proc)
{
    if (!d->mainloop || !d->mainloopRunning)
        return kAudioHardwareNotRunningError;
    // Never waits for the server: the stream opens when the source is
    // there, now or once it (or the server) is back.
    const MainloopGuard guard(d->mainloop.get());
    const CallbackRegistry::IOProc *reg = d->callbacks.ioProc(device, proc);
    if (!reg)
        return kAudioHardwareUnspecifiedError;
    auto it = std::ranges::find_if(d->captures, [&](const auto &c) { return c->device == device && c->proc == proc; });
    if (it != d->captures.end())
        return (*it)->stream ? kAudioNoError : kAudioHardwareNotRunningError;
    auto capture = std::make_unique<Impl::Capture>();
    capture->owner = d.get();
    capture->device = device;
    capture->proc = proc;
    capture->clientData = reg->clientData;
    const bool opened = d->openStream(*capture);
    d->captures.push_back(std::move(capture));
    if (opened)
        return kAudioNoError;
    const Source *s = d->source(device);
    if (s && s->present)
        d->scheduleRetry();
    return kAudioHardwareNotRunningError;
}

OSStatus PulseAudioHardware::stop(AudioDeviceID device, AudioDeviceIOProc proc)
{
    if (!d->mainloop)
        return kAudioHardwareNotRunningError;
    const MainloopGuard guard(d->mainloop.get());
    auto it = std::ranges::find_if(d->captures, [&](const auto &c) { return c->device == device && c->proc == proc; });
    if (it == d->captures.end())
        return kAudioHardwareNotRunningError;
    // With the lock held no callback of this stream is running, and after
    // this none will be.
    Impl::closeStream(**it);
    d->captures.erase(it);
    return kAudioNoError;
}

OSStatus PulseAudioHardware::addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    if (!proc || !d->mainloop)
        return kAudioHardwareUnspecifiedError;
    const MainloopGuard guard(d->mainloop.get());
    d->callbacks.addListener(device, channel, isInput, property, proc, clientData);
    return kAudioNoError;
}

OSStatus PulseAudioHardware::removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    if (!d->mainloop)
        return kAudioHardwareUnspecifiedError;
    const MainloopGuard guard(d->mainloop.get());
    // One registration per call, as it was added.
    if (!d->callbacks.removeListener(device, channel, isInput, property, proc))
        return kAudioHardwareUnknownPropertyError;
    return kAudioNoError;
}

OSStatus PulseAudioHardware::startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData)
{
    if (!render || !d->mainloop || !d->mainloopRunning)
        return kAudioHardwareNotRunningError;
    const MainloopGuard guard(d->mainloop.get());
    d->closeOutput();
    if (!d->contextIsReady())
        return kAudioHardwareNotRunningError;
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, d->defaultRateHz, 1};
    auto output = std::make_unique<Impl::Output>();
    output->render = render;
    output->ended = ended;
    output->clientData = clientData;
    output->rateHz = float(spec.rate);
    ProplistPtr props(pa_proplist_new());
    pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, "production");
    output->stream.reset(pa_stream_new_with_proplist(d->context.get(), "Reference tone", &spec, nullptr, props.get()));
    if (!output->stream)
        return kAudioHardwareUnspecifiedError;
    // 80 ms ahead: a retuning is heard at once, no underrun on a busy system,
    // and PipeWire's quantum is not pulled below what the capture asks for.
    pa_buffer_attr attr{};
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(pa_usec_to_bytes(80000, &spec));
    attr.prebuf = attr.minreq = attr.fragsize = std::uint32_t(-1);
    d->output = std::move(output);
    pa_stream_set_write_callback(d->output->stream.get(), &Impl::onWrite, d.get());
    pa_stream_set_state_callback(d->output->stream.get(), &Impl::onOutputState, d.get());
    // DONT_MOVE: a sink that goes away ends the tone rather than moving it.
    if (pa_stream_connect_playback(d->output->stream.get(), nullptr, &attr,
            pa_stream_flags_t(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY), nullptr, nullptr) < 0) {
        d->closeOutput();
        return kAudioHardwareUnspecifiedError;
    }
    return kAudioNoError;
}

OSStatus PulseAudioHardware::stopOutput()
{
    if (!d->mainloop || !d->mainloopRunning)
        return kAudioNoError;
    const MainloopGuard guard(d->mainloop.get());
    d->closeOutput();
    return kAudioNoError;
}

} // namespace quaverly
