// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtMultimediaHardware.h"

#include "CallbackRegistry.h"

#include "audio/FrameAssembler.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <bit>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <mutex>

namespace quaverly {

namespace {

// Qt Multimedia keeps process-wide state (on Linux its PulseAudio
// connection) tied to the thread that first used it, so every instance
// shares one audio thread that lives as long as the process.
QThread *audioThread()
{
    static QThread *const thread = [] {
        auto *t = new QThread;
        t->setObjectName(QStringLiteral("quaverly-qt-audio"));
        t->start();
        return t;
    }();
    return thread;
}

// Runs the teardown of any instance on the audio thread.
QObject *audioAnchor()
{
    static QObject *const anchor = [] {
        auto *o = new QObject;
        o->moveToThread(audioThread());
        return o;
    }();
    return anchor;
}

// Qt's PulseAudio engine for streams lives on the audio thread and is
// destroyed among the exit handlers on the main one; a server failure handled
// on the audio thread meanwhile tears the engine down twice at once and
// aborts. Registered once the first stream has made that engine, so it runs
// before the engine's destructor.
void stopAudioThreadAtExit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit([] {
            audioThread()->quit();
            audioThread()->wait(QDeadlineTimer(3000));
        });
    });
}

// Float when the device takes it, else the device's own sample format.
QAudioFormat captureFormat(const QAudioDevice &device, int channels)
{
    QAudioFormat format = device.preferredFormat();
    format.setChannelCount(channels);
    QAudioFormat asFloat = format;
    asFloat.setSampleFormat(QAudioFormat::Float);
    return device.isFormatSupported(asFloat) ? asFloat : format;
}

// Converts `count` samples to −1 … 1.
void toFloat(const std::uint8_t *in, QAudioFormat::SampleFormat format, std::size_t count, float *out) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        switch (format) {
        case QAudioFormat::UInt8:
            out[i] = (float(in[i]) - 128.0f) / 128.0f;
            break;
        case QAudioFormat::Int16: {
            std::int16_t v;
            std::memcpy(&v, in + 2 * i, 2);
            out[i] = float(v) / 32768.0f;
            break;
        }
        case QAudioFormat::Int32: {
            std::int32_t v;
            std::memcpy(&v, in + 4 * i, 4);
            out[i] = float(double(v) / 2147483648.0);
            break;
        }
        default:
            std::memcpy(out + i, in + 4 * i, 4);
            break;
        }
    }
}

void fromFloat(const float *in, QAudioFormat::SampleFormat format, std::size_t count, std::uint8_t *out) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        const float v = std::clamp(in[i], -1.0f, 1.0f);
        switch (format) {
        case QAudioFormat::UInt8:
            out[i] = std::uint8_t(std::lround(v * 127.0f + 128.0f));
            break;
        case QAudioFormat::Int16: {
            const auto s = std::int16_t(std::lround(v * 32767.0f));
            std::memcpy(out + 2 * i, &s, 2);
            break;
        }
        case QAudioFormat::Int32: {
            const auto s = std::int32_t(std::lround(double(v) * 2147483647.0));
            std::memcpy(out + 4 * i, &s, 4);
            break;
        }
        default:
            std::memcpy(out + 4 * i, &v, 4);
            break;
        }
    }
}

// Frames converted per IO procedure call at most.
constexpr std::size_t kChunkFrames = 4096;

// Bytes Qt writes into a capture, or reads from the tone, on the audio thread.
class StreamDevice final : public QIODevice {
public:
    using Read = std::function<void(char *, qint64)>;
    using Write = std::function<void(const char *, qint64)>;
    StreamDevice(Read read, Write write)
        : mRead(std::move(read))
        , mWrite(std::move(write))
    {
        open(mRead ? QIODevice::ReadOnly : QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        mRead(data, maxSize);
        return maxSize;
    }
    qint64 writeData(const char *data, qint64 size) override
    {
        mWrite(data, size);
        return size;
    }

private:
    Read mRead;
    Write mWrite;
};

} // namespace

struct QtMultimediaHardware::Impl {
    struct Device {
        QAudioDevice info;
        std::string name;
        bool present = false;
        // The capture's stream failed and has not opened again.
        bool failed = false;
        QAudioFormat format;
    };

    // One started IO procedure on one device; the stream comes and goes
    // with the device.
    struct Capture {
        AudioDeviceID device = kAudioDeviceUnknown;
        AudioDeviceIOProc proc = nullptr;
        void *clientData = nullptr;
        bool stopped = false;
        // Audio thread only. `broken`: the stream failed after it opened.
        bool broken = false;
        std::unique_ptr<QAudioSource> source;
        std::unique_ptr<StreamDevice> sink;
        QAudioFormat format;
        FrameAssembler frames;
        AudioBufferListPtr list = makeAudioBufferList(1);
        std::vector<float> scratch;
        double position = 0.0;
    };


    struct Output {
        AudioOutputRenderProc render = nullptr;
        AudioOutputEndedProc ended = nullptr;
        void *clientData = nullptr;
        std::uint64_t generation = 0;
    };

    // Held by the audio thread whenever it calls back, so a call that
    // removes a callback returns only once that callback is not running.
    std::recursive_mutex mutex;
    std::map<AudioDeviceID, Device> devices;
    std::map<QByteArray, AudioDeviceID> idsByKey;
    std::vector<AudioDeviceID> order;
    std::atomic<bool> listKnown = false;
    CallbackRegistry callbacks;
    std::vector<std::unique_ptr<Capture>> captures;
    // Stopped, waiting for the audio thread to close their streams.
    std::vector<std::unique_ptr<Capture>> retired;
    Output output;
    bool hasDefaultOutput = false;

    // Audio thread only.
    QObject *worker = nullptr;
    QMediaDevices *media = nullptr;
    QTimer *retry = nullptr;
    std::unique_ptr<QAudioSink> toneSink;
    std::unique_ptr<StreamDevice> toneSource;
    QByteArray toneDeviceId;
    QAudioFormat toneFormat;
    std::uint64_t toneGeneration = 0;
    std::vector<float> toneScratch;

    Device *device(AudioDeviceID id)
    {
        auto it = devices.find(id);
        return it == devices.end() ? nullptr : &it->second;
    }

    // Audio thread: how many of our calls are on its stack. Qt may run
    // events inside its own calls, so the teardown waits for the outermost.
    int depth = 0;
    bool dying = false;
    bool teardownPosted = false;
    std::shared_ptr<std::promise<void>> tornDown = std::make_shared<std::promise<void>>();

    struct Busy {
        explicit Busy(Impl &impl)
            : d(impl)
        {
            ++d.depth;
        }
        ~Busy()
        {
            if (--d.depth == 0 && d.dying && !d.teardownPosted) {
                d.teardownPosted = true;
                QMetaObject::invokeMethod(audioAnchor(), [impl = &d] { impl->requestTeardown(); }, Qt::QueuedConnection);
            }
        }
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;
        Impl &d;
    };

    template <class F>
    void onAudioThread(F f)
    {
        QMetaObject::invokeMethod(worker, [this, f = std::move(f)]() mutable {
            const Busy busy(*this);
            f();
        }, Qt::QueuedConnection);
    }

    // Lock held.
    void notify(AudioDeviceID id, std::uint32_t channel, AudioPropertySelector property)
    {
        callbacks.notify(id, channel, property);
    }

    bool alive(const Device *dev) const { return dev && dev->present && !dev->failed; }

    // Qt hands work between threads with atomics ThreadSanitizer cannot see;
    // taking our lock on both sides lets it see the order that is there.
    void fence() { std::lock_guard lock(mutex); }

    // Audio thread.
    void init()
    {
        fence();
        media = new QMediaDevices(worker);
        QObject::connect(media, &QMediaDevices::audioInputsChanged, worker, [this] { refreshInputs(); });
        QObject::connect(media, &QMediaDevices::audioOutputsChanged, worker, [this] { refreshOutputs(); });
        retry = new QTimer(worker);
        retry->setSingleShot(true);
        QObject::connect(retry, &QTimer::timeout, worker, [this] {
            const Busy busy(*this);
            reconcile();
        });
        // Qt 6.4 on PulseAudio keeps its lists current but never signals a
        // change: look every 0.5 s as well.
        auto *poll = new QTimer(worker);
        QObject::connect(poll, &QTimer::timeout, worker, [this] {
            const Busy busy(*this);
            refreshInputs();
            refreshOutputs();
        });
        poll->start(500);
        refreshInputs();
        refreshOutputs();
    }

    void refreshInputs()
    {
        const QList<QAudioDevice> listed = QMediaDevices::audioInputs();
        const QByteArray defaultKey = QMediaDevices::defaultAudioInput().id();
        std::vector<std::pair<AudioDeviceID, AudioPropertySelector>> news;
        bool added = !listKnown.load();
        bool changed = added;
        {
            std::lock_guard lock(mutex);
            std::vector<AudioDeviceID> now;
            for (const QAudioDevice &info : listed) {
                const AudioDeviceID id = idsByKey.try_emplace(info.id(), AudioDeviceID(idsByKey.size() + 1)).first->second;
                Device &dev = devices[id];
                const bool wasAlive = alive(&dev);
                const bool known = !dev.info.isNull();
                const QAudioFormat format = captureFormat(info, std::max(1, info.preferredFormat().channelCount()));
                const bool formatChanged = known && dev.format != format;
                added |= !dev.present;
                changed |= formatChanged || !dev.present;
                dev.info = info;
                dev.name = info.description().toStdString();
                dev.present = true;
                dev.format = format;
                if (formatChanged) {
                    news.emplace_back(id, kAudioDevicePropertyStreamFormat);
                    news.emplace_back(id, kAudioDevicePropertyStreamConfiguration);
                }
                if (known && !wasAlive && alive(&dev))
                    news.emplace_back(id, kAudioDevicePropertyDeviceIsAlive);
                if (info.id() == defaultKey)
                    now.insert(now.begin(), id);
                else
                    now.push_back(id);
            }
            for (auto &[id, dev] : devices) {
                if (dev.present && std::ranges::find(now, id) == now.end()) {
                    dev.present = false;
                    changed = true;
                    news.emplace_back(id, kAudioDevicePropertyDeviceIsAlive);
                }
            }
            order = std::move(now);
            listKnown = true;
            for (const auto &[id, property] : news)
                notify(id, 0, property);
            if (added)
                notify(kAudioDeviceUnknown, 0, kAudioHardwarePropertyDevices);
        }
        if (changed)
            reconcile();
    }

    // Opens the streams of captures whose device is there, closes the others.
    void reconcile()
    {
        std::vector<std::unique_ptr<Capture>> dead;
        std::vector<Capture *> toClose, toOpen;
        std::vector<std::pair<Capture *, Device>> opening;
        {
            std::lock_guard lock(mutex);
            dead.swap(retired);
            for (auto &c : captures) {
                const Device *dev = device(c->device);
                const bool wanted = dev && dev->present;
                const bool stale = c->broken || (wanted && c->format != dev->format);
                if (c->source && (stale || !wanted))
                    toClose.push_back(c.get());
                if (wanted && (!c->source || stale))
                    opening.emplace_back(c.get(), *dev);
            }
        }
        // Qt may wait for its server here: without the lock, so queries
        // from other threads are not held up.
        for (auto &c : dead)
            closeStream(*c);
        for (Capture *c : toClose)
            closeStream(*c);
        std::vector<std::pair<AudioDeviceID, bool>> results;
        for (auto &[c, dev] : opening)
            results.emplace_back(c->device, openStream(*c, dev));
        std::lock_guard lock(mutex);
        bool again = false;
        for (const auto &[id, opened] : results) {
            again |= !opened;
            setFailed(id, !opened);
        }
        if (again)
            retry->start(250);
    }

    // Lock held.
    void setFailed(AudioDeviceID id, bool failed)
    {
        Device *dev = device(id);
        if (!dev || dev->failed == failed)
            return;
        const bool was = alive(dev);
        dev->failed = failed;
        if (was != alive(dev))
            notify(id, 0, kAudioDevicePropertyDeviceIsAlive);
    }

    static void closeStream(Capture &c)
    {
        if (c.source) {
            c.source->disconnect();
            c.source->stop();
        }
        c.source.reset();
        c.sink.reset();
    }

    bool openStream(Capture &c, const Device &dev)
    {
        c.format = dev.format;
        c.frames.reset(std::size_t(c.format.bytesPerFrame()));
        c.scratch.assign(kChunkFrames * std::size_t(c.format.channelCount()), 0.0f);
        c.position = 0.0;
        c.broken = false;
        Capture *capture = &c;
        c.sink = std::make_unique<StreamDevice>(
            nullptr, [this, capture](const char *data, qint64 bytes) { deliver(*capture, data, bytes); });
        c.source = std::make_unique<QAudioSource>(dev.info, c.format);
        stopAudioThreadAtExit();
        c.source->start(c.sink.get());
        if (c.source->error() != QAudio::NoError || c.source->state() == QAudio::StoppedState) {
            closeStream(c);
            return false;
        }
        // A stream that fails later (the server gone) is opened again, and
        // counts as a lost device until that succeeds. Not closed here: this
        // runs inside the source's own signal.
        QObject::connect(c.source.get(), &QAudioSource::stateChanged, worker, [this, capture](QAudio::State state) {
            if (state != QAudio::StoppedState || capture->source->error() == QAudio::NoError)
                return;
            capture->broken = true;
            onAudioThread([this] { reconcile(); });
        });
        return true;
    }

    // The IO path: the IO procedure gets native float32 in whole frames.
    void deliver(Capture &c, const char *data, qint64 bytes)
    {
        std::lock_guard lock(mutex);
        if (c.stopped)
            return;
        const auto channels = std::uint32_t(c.format.channelCount());
        const auto sampleFormat = c.format.sampleFormat();
        const auto sampleBytes = std::size_t(c.format.bytesPerSample());
        c.frames.push(reinterpret_cast<const std::uint8_t *>(data), std::size_t(bytes),
            [&](const std::uint8_t *frames, std::size_t count) {
                while (count > 0) {
                    const std::size_t n = std::min(count, kChunkFrames);
                    const float *samples = reinterpret_cast<const float *>(frames);
                    if (sampleFormat != QAudioFormat::Float) {
                        toFloat(frames, sampleFormat, n * channels, c.scratch.data());
                        samples = c.scratch.data();
                    }
                    deliverInput({c.device, c.proc, c.clientData}, *c.list, c.position, samples, n, channels,
                        channels * std::uint32_t(sizeof(float)));
                    frames += n * channels * sampleBytes;
                    count -= n;
                }
            });
    }

    // The tone: one mono stream on the default output, closed (and its end
    // told) when that device leaves the list rather than moved.
    void refreshOutputs()
    {
        const QAudioDevice defaultOutput = QMediaDevices::defaultAudioOutput();
        const QList<QAudioDevice> listed = QMediaDevices::audioOutputs();
        const bool gone = toneSink && std::ranges::none_of(listed, [&](const QAudioDevice &d) {
            return d.id() == toneDeviceId;
        });
        {
            std::lock_guard lock(mutex);
            hasDefaultOutput = !defaultOutput.isNull();
        }
        if (gone)
            endTone();
    }

    void endTone()
    {
        closeTone();
        std::lock_guard lock(mutex);
        if (output.render && output.generation == toneGeneration) {
            const Output ended = output;
            output = Output{nullptr, nullptr, nullptr, output.generation + 1};
            if (ended.ended)
                ended.ended(ended.clientData);
        }
    }

    void closeTone()
    {
        if (toneSink) {
            toneSink->disconnect();
            toneSink->stop();
        }
        toneSink.reset();
        toneSource.reset();
    }

    void reconcileOutput()
    {
        Output wanted;
        {
            std::lock_guard lock(mutex);
            wanted = output;
        }
        if (toneSink && toneGeneration == wanted.generation)
            return;
        closeTone();
        if (!wanted.render)
            return;
        toneGeneration = wanted.generation;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        QAudioFormat format = device.preferredFormat();
        format.setChannelCount(1);
        QAudioFormat asFloat = format;
        asFloat.setSampleFormat(QAudioFormat::Float);
        toneFormat = device.isFormatSupported(asFloat) ? asFloat : format;
        toneDeviceId = device.id();
        toneScratch.assign(kChunkFrames, 0.0f);
        toneSource = std::make_unique<StreamDevice>([this](char *data, qint64 bytes) { render(data, bytes); }, nullptr);
        toneSink = std::make_unique<QAudioSink>(device, toneFormat);
        stopAudioThreadAtExit();
        toneSink->start(toneSource.get());
        const auto failed = [this] { return !toneSink || toneSink->error() == QAudio::OpenError
                                         || toneSink->error() == QAudio::FatalError || toneSink->error() == QAudio::IOError; };
        if (device.isNull() || failed()) {
            endTone();
            return;
        }
        QObject::connect(toneSink.get(), &QAudioSink::stateChanged, worker, [this, failed](QAudio::State state) {
            if (state == QAudio::StoppedState && failed())
                onAudioThread([this, generation = toneGeneration] {
                    if (toneSink && toneGeneration == generation)
                        endTone();
                });
        });
    }

    // The tone's IO path.
    void render(char *data, qint64 bytes)
    {
        std::lock_guard lock(mutex);
        const auto sampleBytes = std::size_t(std::max(1, toneFormat.bytesPerSample()));
        std::size_t frames = std::size_t(bytes) / sampleBytes;
        auto *out = reinterpret_cast<std::uint8_t *>(data);
        std::memset(data, 0, std::size_t(bytes));
        if (!output.render || output.generation != toneGeneration)
            return;
        while (frames > 0) {
            const std::size_t n = std::min(frames, kChunkFrames);
            output.render(toneScratch.data(), std::uint32_t(n), float(toneFormat.sampleRate()), output.clientData);
            fromFloat(toneScratch.data(), toneFormat.sampleFormat(), n, out);
            out += n * sampleBytes;
            frames -= n;
        }
    }

    void requestTeardown()
    {
        dying = true;
        teardownPosted = false;
        if (depth == 0)
            teardown();
    }

    // Audio thread, none of our calls on its stack; deletes the worker and
    // with it every Qt object, then lets the destructor go on.
    void teardown()
    {
        fence();
        for (auto &c : retired)
            closeStream(*c);
        retired.clear();
        closeTone();
        delete worker;
        worker = nullptr;
        fence();
        // Last: the destructor may free this at once.
        const auto done = tornDown;
        done->set_value();
    }
};

QtMultimediaHardware::QtMultimediaHardware()
    : d(std::make_unique<Impl>())
{
    audioAnchor();
    d->worker = new QObject;
    d->worker->moveToThread(audioThread());
    d->fence();
    d->onAudioThread([impl = d.get()] { impl->init(); });
}

QtMultimediaHardware::~QtMultimediaHardware()
{
    {
        std::lock_guard lock(d->mutex);
        d->callbacks.clearListeners();
        for (auto &c : d->captures) {
            c->stopped = true;
            d->retired.push_back(std::move(c));
        }
        d->captures.clear();
        d->output = Impl::Output{};
    }
    const auto done = d->tornDown;
    if (QThread::currentThread() == audioThread()) {
        d->teardown();
    } else {
        QMetaObject::invokeMethod(audioAnchor(), [impl = d.get()] { impl->requestTeardown(); }, Qt::QueuedConnection);
        // Qt can wait without end inside its own calls for a server that went
        // away meanwhile: rather than hang the program's exit, leave the audio
        // thread what it still uses.
        if (done->get_future().wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
            std::fputs("Quaverly: the audio thread is stuck inside Qt Multimedia; leaving it\n", stderr);
            (void)d.release();
            return;
        }
    }
    d->fence();
}

std::vector<AudioDeviceID> QtMultimediaHardware::devices()
{
    std::lock_guard lock(d->mutex);
    return d->order;
}

bool QtMultimediaHardware::isDeviceListKnown()
{
    return d->listKnown.load();
}

bool QtMultimediaHardware::isDeviceAlive(AudioDeviceID device)
{
    std::lock_guard lock(d->mutex);
    return d->alive(d->device(device));
}

OSStatus QtMultimediaHardware::streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format)
{
    std::lock_guard lock(d->mutex);
    const Impl::Device *dev = d->device(device);
    if (!isInput || !dev || !dev->present)
        return kAudioHardwareBadDeviceError;
    const auto channels = std::uint32_t(dev->format.channelCount());
    format = packedFloatFormat(double(dev->format.sampleRate()), channels);
    return kAudioNoError;
}

std::string QtMultimediaHardware::deviceName(AudioDeviceID device, bool)
{
    std::lock_guard lock(d->mutex);
    const Impl::Device *dev = d->device(device);
    return dev ? dev->name : std::string();
}

std::string QtMultimediaHardware::deviceManufacturer(AudioDeviceID device, bool)
{
    // Qt Multimedia names no vendor.
    std::lock_guard lock(d->mutex);
    return d->device(device) ? "System" : "";
}

bool QtMultimediaHardware::isDataSourceSettable(AudioDeviceID, bool)
{
    return false;
}

std::vector<std::uint32_t> QtMultimediaHardware::dataSources(AudioDeviceID, bool)
{
    return {};
}

std::optional<std::string> QtMultimediaHardware::dataSourceName(AudioDeviceID, bool, std::uint32_t)
{
    return std::nullopt;
}

OSStatus QtMultimediaHardware::setDataSource(AudioDeviceID, bool, std::uint32_t)
{
    return kAudioHardwareUnknownPropertyError;
}

AudioBufferListPtr QtMultimediaHardware::streamConfiguration(AudioDeviceID device, bool isInput)
{
    std::lock_guard lock(d->mutex);
    const Impl::Device *dev = d->device(device);
    if (!isInput || !dev || !dev->present)
        return nullptr;
    AudioBufferListPtr list = makeAudioBufferList(1);
    list->mBuffers[0].mNumberChannels = std::uint32_t(dev->format.channelCount());
    return list;
}

// Qt Multimedia has only a stream's own gain, not the device's volume.
bool QtMultimediaHardware::isVolumeSettable(AudioDeviceID, std::uint32_t, bool)
{
    return false;
}

OSStatus QtMultimediaHardware::volumeScalar(AudioDeviceID, std::uint32_t, bool, float &)
{
    return kAudioHardwareUnknownPropertyError;
}

OSStatus QtMultimediaHardware::setVolumeScalar(AudioDeviceID, std::uint32_t, bool, float)
{
    return kAudioHardwareUnknownPropertyError;
}

OSStatus QtMultimediaHardware::addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData)
{
    if (!proc)
        return kAudioHardwareUnspecifiedError;
    std::lock_guard lock(d->mutex);
    d->callbacks.addIOProc(device, proc, clientData);
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc)
{
    stop(device, proc);
    std::lock_guard lock(d->mutex);
    d->callbacks.removeIOProc(device, proc);
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::start(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(d->mutex);
    const CallbackRegistry::IOProc *reg = d->callbacks.ioProc(device, proc);
    if (!reg)
        return kAudioHardwareUnspecifiedError;
    const bool running = std::ranges::any_of(d->captures, [&](const auto &c) {
        return c->device == device && c->proc == proc;
    });
    if (!running) {
        auto capture = std::make_unique<Impl::Capture>();
        capture->device = device;
        capture->proc = proc;
        capture->clientData = reg->clientData;
        d->captures.push_back(std::move(capture));
        d->onAudioThread([impl = d.get()] { impl->reconcile(); });
    }
    // The stream opens on the audio thread, now or once the device is back.
    return d->alive(d->device(device)) ? kAudioNoError : kAudioHardwareNotRunningError;
}

OSStatus QtMultimediaHardware::stop(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(d->mutex);
    auto it = std::ranges::find_if(d->captures, [&](const auto &c) { return c->device == device && c->proc == proc; });
    if (it == d->captures.end())
        return kAudioHardwareNotRunningError;
    // With the lock held the procedure is not running; stopped, it is not
    // called again. The audio thread closes the stream.
    (*it)->stopped = true;
    d->retired.push_back(std::move(*it));
    d->captures.erase(it);
    d->onAudioThread([impl = d.get()] { impl->reconcile(); });
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    if (!proc)
        return kAudioHardwareUnspecifiedError;
    std::lock_guard lock(d->mutex);
    d->callbacks.addListener(device, channel, isInput, property, proc, clientData);
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    std::lock_guard lock(d->mutex);
    if (!d->callbacks.removeListener(device, channel, isInput, property, proc))
        return kAudioHardwareUnknownPropertyError;
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData)
{
    if (!render)
        return kAudioHardwareUnspecifiedError;
    std::lock_guard lock(d->mutex);
    if (!d->hasDefaultOutput)
        return kAudioHardwareBadDeviceError;
    d->output = Impl::Output{render, ended, clientData, d->output.generation + 1};
    d->onAudioThread([impl = d.get()] { impl->reconcileOutput(); });
    return kAudioNoError;
}

OSStatus QtMultimediaHardware::stopOutput()
{
    std::lock_guard lock(d->mutex);
    d->output = Impl::Output{nullptr, nullptr, nullptr, d->output.generation + 1};
    d->onAudioThread([impl = d.get()] { impl->reconcileOutput(); });
    return kAudioNoError;
}

} // namespace quaverly
