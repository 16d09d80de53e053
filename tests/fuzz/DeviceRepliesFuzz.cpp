// Any replies from the device, and any failures of the line, to changes
// sent one after the other: each change either is acknowledged after its
// start byte and after its level, and then went whole onto the line, or
// fails with the code of the step that failed, never sending the rest of
// the change; a wait never outlasts its clock.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Rs232Link.h"

namespace {

// The far end: what it answers, read after read, comes from the input.
class TScriptedDevice final : public TSerialDevice {
public:
    TScriptedDevice(FuzzedDataProvider& fuzz, std::vector<std::uint8_t>& written) : fuzz_(fuzz), written_(written) {}

    bool GetLineSettings(TLineSettings& settings) override
    {
        settings = {};
        return Works();
    }
    bool SetLineSettings(const TLineSettings&) override { return Works(); }
    bool SetTimeouts(const TCommTimeouts&) override { return Works(); }
    bool Purge() override { return Works(); }
    bool WriteByte(std::uint8_t byte) override
    {
        if (!Works())
            return false;
        written_.push_back(byte);
        return true;
    }
    TReadResult ReadByte(std::uint8_t& byte) override
    {
        if (fuzz_.remaining_bytes() == 0)
            return TReadResult::TimedOut;
        switch (fuzz_.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: return TReadResult::TimedOut;
        case 1: return Works() ? TReadResult::TimedOut : TReadResult::Failed;
        case 2:
        case 3: byte = TRs232Link::AckByte; return TReadResult::Byte;
        default: byte = fuzz_.ConsumeIntegral<std::uint8_t>(); return TReadResult::Byte;
        }
    }
    bool Close() override { return true; }

private:
    // Mostly; now and then a step fails.
    bool Works() { return fuzz_.remaining_bytes() == 0 || fuzz_.ConsumeIntegralInRange<int>(0, 63) != 0; }

    FuzzedDataProvider& fuzz_;
    std::vector<std::uint8_t>& written_;
};

class TScriptedPorts final : public TSerialPorts {
public:
    TScriptedPorts(FuzzedDataProvider& fuzz, std::vector<std::uint8_t>& written) : fuzz_(fuzz), written_(written) {}
    TComHandle Open(const std::string&) override { return std::make_unique<TScriptedDevice>(fuzz_, written_); }

private:
    FuzzedDataProvider& fuzz_;
    std::vector<std::uint8_t>& written_;
};

// Runs out after a number of passes of the wait that the input chooses.
class TPassClock final : public TAckClock, public TMessagePump {
public:
    explicit TPassClock(FuzzedDataProvider& fuzz) : fuzz_(fuzz) {}
    void Start() override
    {
        if (!enabled_)
            passesLeft_ = fuzz_.ConsumeIntegralInRange<int>(1, 8);
        enabled_ = true;
    }
    void Stop() override { enabled_ = false; }
    bool Enabled() const override { return enabled_; }
    void ProcessMessages() override
    {
        if (enabled_ && --passesLeft_ <= 0)
            enabled_ = false;
        if (++passes_ > 1000000)
            __builtin_trap();  // a wait that never ends
    }

private:
    FuzzedDataProvider& fuzz_;
    bool enabled_ = false;
    int passesLeft_ = 0;
    long passes_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fuzz(data, size);
    std::vector<std::uint8_t> written;
    TScriptedPorts ports(fuzz, written);
    TPassClock clock(fuzz);
    TRs232Link link(ports, clock, clock);
    TComHandle handle;
    if (link.ComOpen(handle, "COM12") != TComResult::ComOk)
        return 0;
    for (int change = 0; fuzz.remaining_bytes() > 0 && change < 64; ++change) {
        const auto output = fuzz.ConsumeIntegral<std::uint8_t>();
        const auto level = fuzz.ConsumeIntegral<std::uint8_t>();
        written.clear();
        const TComResult result = link.ComSendContact(handle, output, level);
        switch (result) {
        case TComResult::ComOk:
            if (written != std::vector<std::uint8_t>{TRs232Link::StartByte, output, level} || clock.Enabled())
                __builtin_trap();
            break;
        case TComResult::ComErrInit:
            if (!written.empty())
                __builtin_trap();
            break;
        case TComResult::ComErrWrite:
        case TComResult::ComErrRead:
        case TComResult::ComErrNotReady:
            // Never more than the change, and the level only after the output.
            if (written.size() > 3 || (!written.empty() && written[0] != TRs232Link::StartByte))
                __builtin_trap();
            break;
        default:
            __builtin_trap();
        }
    }
    return 0;
}
