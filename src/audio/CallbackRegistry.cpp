// SPDX-License-Identifier: GPL-3.0-or-later
#include "CallbackRegistry.h"

#include <algorithm>
#include <chrono>

namespace quaverly {

void CallbackRegistry::addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData)
{
    auto it = std::ranges::find_if(mIOProcs, [&](const IOProc &r) { return r.device == device && r.proc == proc; });
    if (it != mIOProcs.end())
        it->clientData = clientData;
    else
        mIOProcs.push_back({device, proc, clientData});
}

void CallbackRegistry::removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::erase_if(mIOProcs, [&](const IOProc &r) { return r.device == device && r.proc == proc; });
}

const CallbackRegistry::IOProc *CallbackRegistry::ioProc(AudioDeviceID device, AudioDeviceIOProc proc) const
{
    auto it = std::ranges::find_if(mIOProcs, [&](const IOProc &r) { return r.device == device && r.proc == proc; });
    return it == mIOProcs.end() ? nullptr : &*it;
}

void CallbackRegistry::addListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    mListeners.push_back({device, channel, isInput, property, proc, clientData});
}

bool CallbackRegistry::removeListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    auto it = std::ranges::find_if(mListeners, [&](const Listener &l) {
        return l.device == device && l.channel == channel && l.isInput == isInput && l.property == property
            && l.proc == proc;
    });
    if (it == mListeners.end())
        return false;
    mListeners.erase(it);
    return true;
}

void CallbackRegistry::notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property)
{
    std::vector<Listener> matching;
    for (const Listener &l : mListeners)
        if (l.device == device && l.isInput && l.property == property
            && (l.channel == kAudioPropertyWildcardChannel || l.channel == channel))
            matching.push_back(l);
    for (const Listener &l : matching) {
        const bool stillThere = std::ranges::any_of(mListeners, [&](const Listener &o) {
            return o.device == l.device && o.channel == l.channel && o.property == l.property && o.proc == l.proc
                && o.clientData == l.clientData;
        });
        if (stillThere)
            l.proc(device, channel, true, property, l.clientData);
    }
}

std::uint64_t hostTimeNs() noexcept
{
    return std::uint64_t(std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void deliverInput(const CallbackRegistry::IOProc &to, AudioBufferList &list, double &position, const void *data,
    std::size_t frames, std::uint32_t channels, std::uint32_t frameBytes) noexcept
{
    AudioBuffer &b = list.mBuffers[0];
    b.mNumberChannels = channels;
    b.mDataByteSize = std::uint32_t(frames * frameBytes);
    b.mData = const_cast<void *>(data);
    position += double(frames);
    AudioTimeStamp now;
    now.mSampleTime = position;
    now.mHostTime = hostTimeNs();
    now.mFlags = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid;
    AudioTimeStamp none;
    to.proc(to.device, &now, &list, &now, nullptr, &none, to.clientData);
}

} // namespace quaverly
