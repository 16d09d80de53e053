#include "RtMidiDeviceLayer.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <limits>

#include "MidiStatus.h"
#include "Miditype.h"
#include "SysexQueue.h"

namespace {

// Set by RtMidi's error callback. With a callback set, RtMidi reports its
// failures there instead of printing or throwing, so each step is checked.
struct TErrorSink {
    std::atomic<bool> Reported{false};

    static void OnError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* user)
    {
        static_cast<TErrorSink*>(user)->Reported.store(true);
    }
    bool Take() { return Reported.exchange(false); }
};

// The MIDI libraries' own diagnostics would go to stderr at every listing
// while a system is missing; the layer reports through its codes instead.
extern "C" void SilentJackMessage(const char*) {}
extern "C" void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// RtMidi prints to stderr before it throws when ALSA has no sequencer (no
// /dev/snd): ALSA is asked first, quietly.
bool AlsaSequencerAnswers()
{
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0)
        return false;
    snd_seq_close(sequencer);
    return true;
}

bool AllDigits(const std::string& text, std::size_t from, std::size_t to)
{
    if (from >= to)
        return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(to),
                       [](unsigned char c) { return c >= '0' && c <= '9'; });
}
}  // namespace

std::string StableAlsaPortName(const std::string& rtMidiName)
{
    const auto space = rtMidiName.rfind(' ');
    if (space == std::string::npos)
        return rtMidiName;
    const auto colon = rtMidiName.find(':', space);
    if (colon == std::string::npos || !AllDigits(rtMidiName, space + 1, colon) ||
        !AllDigits(rtMidiName, colon + 1, rtMidiName.size()))
        return rtMidiName;
    return rtMidiName.substr(0, space);
}

// One open port. Mutex orders the input thread's deliveries against the
// owner's Start, Stop, Reset and buffer queue, so that callbacks never
// overlap (the component's ring has a single producer).
struct TRtMidiDeviceLayer::TDevice {
    std::unique_ptr<RtMidiIn> In;
    TErrorSink Errors;
    TMidiInCallback Callback = nullptr;
    void* Instance = nullptr;

    std::mutex Mutex;
    bool Started = false;
    bool FirstSinceStart = true;
    std::chrono::steady_clock::time_point StartTime{};
    double SinceStart = 0;  // seconds, at the last delivered message
    TSysexQueue Sysex;

    static void OnMessage(double delta, std::vector<unsigned char>* message, void* user);
    void Deliver(double delta, const std::vector<unsigned char>& message) noexcept;
    std::uint32_t Stamp(double delta) noexcept;
};

void TRtMidiDeviceLayer::TDevice::OnMessage(double delta, std::vector<unsigned char>* message, void* user)
{
    if (message != nullptr && !message->empty())
        static_cast<TDevice*>(user)->Deliver(delta, *message);
}

std::uint32_t TRtMidiDeviceLayer::TDevice::Stamp(double delta) noexcept
{
    // RtMidi gives the seconds since its previous message. The first message
    // after Start is placed by the clock; later ones keep the driver's spacing.
    if (FirstSinceStart) {
        FirstSinceStart = false;
        SinceStart = std::chrono::duration<double>(std::chrono::steady_clock::now() - StartTime).count();
    } else {
        SinceStart += delta;
    }
    const double ms = std::floor(SinceStart * 1000.0);
    if (!(ms > 0))
        return 0;
    return ms >= double(std::numeric_limits<std::uint32_t>::max()) ? std::numeric_limits<std::uint32_t>::max()
                                                                    : static_cast<std::uint32_t>(ms);
}

void TRtMidiDeviceLayer::TDevice::Deliver(double delta, const std::vector<unsigned char>& message) noexcept
{
    std::lock_guard lock(Mutex);
    if (!Started)
        return;
    const std::uint32_t timestamp = Stamp(delta);
    if (message[0] == MidiStatus::SystemExclusive) {
        // With no buffer queued the message is lost, as with a real driver.
        if (TMidiHeader* header = Sysex.Fill(message))
            Callback(Instance, TMidiInMessage::LongData, 0, header, timestamp);
        return;
    }
    std::uint32_t packed = message[0];
    if (message.size() > 1)
        packed |= std::uint32_t{message[1]} << 8;
    if (message.size() > 2)
        packed |= std::uint32_t{message[2]} << 16;
    Callback(Instance, TMidiInMessage::Data, packed, nullptr, timestamp);
}

// A JACK client of our own that only listens: it tells whether a server
// answers, lists the MIDI sources, and takes the server's shutdown notice, so
// that RtMidi is never asked to open a JACK port without a server (it would
// crash) and a server that went away shows as its devices gone.
class TRtMidiDeviceLayer::TJackWatch {
public:
    explicit TJackWatch(std::string name) : name_(std::move(name)) {}
    ~TJackWatch() { Close(); }
    TJackWatch(const TJackWatch&) = delete;
    TJackWatch& operator=(const TJackWatch&) = delete;

    // True when a server answers now; a server that shut down is let go and
    // asked for again.
    bool Answering()
    {
        if (client_ != nullptr && lost_.load(std::memory_order_acquire))
            Close();
        if (client_ == nullptr)
            Open();
        return client_ != nullptr;
    }

    // The ports MIDI comes out of ("client:port"), as RtMidi names them.
    std::vector<std::string> MidiSources() const
    {
        std::vector<std::string> names;
        if (client_ == nullptr)
            return names;
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
        if (ports == nullptr)
            return names;
        for (const char** port = ports; *port != nullptr; ++port)
            names.emplace_back(*port);
        jack_free(ports);
        return names;
    }

private:
    static void OnShutdown(void* watch) { static_cast<TJackWatch*>(watch)->lost_.store(true, std::memory_order_release); }

    void Open()
    {
        jack_status_t status{};
        client_ = jack_client_open(name_.c_str(), JackNoStartServer, &status);
        if (client_ == nullptr)
            return;
        lost_.store(false, std::memory_order_release);
        jack_on_shutdown(client_, &TJackWatch::OnShutdown, this);
        // The shutdown notice comes through the client's thread, which
        // only an active client has.
        if (jack_activate(client_) != 0)
            Close();
    }

    void Close()
    {
        if (client_ == nullptr)
            return;
        (void)jack_client_close(client_);
        client_ = nullptr;
    }

    const std::string name_;
    jack_client_t* client_ = nullptr;
    std::atomic<bool> lost_{false};
};

TRtMidiDeviceLayer::TRtMidiDeviceLayer(std::string clientName)
    : clientName_(std::move(clientName)), jack_(std::make_unique<TJackWatch>(clientName_ + " watch"))
{
#if defined(SIGPIPE)
    // JACK's client threads write to the server's socket; a server that is
    // stopped would raise SIGPIPE there and end the whole program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    jack_set_error_function(&SilentJackMessage);
    jack_set_info_function(&SilentJackMessage);
    snd_lib_error_set_handler(&SilentAlsaError);
}

TRtMidiDeviceLayer::~TRtMidiDeviceLayer()
{
    std::lock_guard lock(mutex_);
    for (auto& [handle, device] : devices_)
        device->In.reset();
}

bool TRtMidiDeviceLayer::MidiSystemFound()
{
    std::lock_guard lock(mutex_);
    if (!listed_) {
        ports_ = Enumerate();
        listed_ = true;
    }
    return systemFound_;
}

std::vector<TRtMidiDeviceLayer::TPort> TRtMidiDeviceLayer::Enumerate()
{
    std::vector<TPort> ports;
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    systemFound_ = false;
    for (const RtMidi::Api api : apis) {
        if (api == RtMidi::RTMIDI_DUMMY)
            continue;
        if (api == RtMidi::UNIX_JACK) {
            // Listed by our own watching client: no client comes and goes
            // in the server's graph at every listing.
            if (!jack_->Answering())
                continue;
            systemFound_ = true;
            for (std::string& name : jack_->MidiSources())
                ports.push_back(TPort{static_cast<int>(api), name, name});
            continue;
        }
        if (api == RtMidi::LINUX_ALSA && !AlsaSequencerAnswers())
            continue;
        try {
            RtMidiIn in(api, clientName_);
            TErrorSink errors;
            in.setErrorCallback(&TErrorSink::OnError, &errors);
            const unsigned count = in.getPortCount();
            if (errors.Take())
                continue;
            systemFound_ = true;
            for (unsigned i = 0; i < count; ++i) {
                std::string name = in.getPortName(i);
                if (errors.Take() || name.empty())
                    continue;
                std::string stable = api == RtMidi::LINUX_ALSA ? StableAlsaPortName(name) : name;
                ports.push_back(TPort{static_cast<int>(api), std::move(name), std::move(stable)});
            }
        } catch (const std::exception&) {
            // That system has no devices for us.
        }
    }
    return ports;
}

TRtMidiDeviceLayer::TDevice* TRtMidiDeviceLayer::Find(TMidiInHandle handle)
{
    const auto found = devices_.find(handle);
    return found == devices_.end() ? nullptr : found->second.get();
}

template <class TStep>
TMidiResult TRtMidiDeviceLayer::WithDevice(TMidiInHandle handle, TStep&& step)
{
    std::lock_guard lock(mutex_);
    TDevice* device = Find(handle);
    if (device == nullptr)
        return MidiResult::InvalidHandle;
    std::lock_guard deviceLock(device->Mutex);
    return step(*device);
}

const TRtMidiDeviceLayer::TPort* TRtMidiDeviceLayer::Port(std::uint16_t index)
{
    if (!listed_) {
        ports_ = Enumerate();
        listed_ = true;
    }
    return index < ports_.size() ? &ports_[index] : nullptr;
}

std::uint16_t TRtMidiDeviceLayer::DeviceCount()
{
    std::lock_guard lock(mutex_);
    ports_ = Enumerate();
    listed_ = true;
    return static_cast<std::uint16_t>(std::min<std::size_t>(ports_.size(), std::numeric_limits<std::uint16_t>::max()));
}

TMidiResult TRtMidiDeviceLayer::DeviceName(std::uint16_t index, std::string& name)
{
    std::lock_guard lock(mutex_);
    const TPort* port = Port(index);
    if (port == nullptr)
        return MidiResult::BadDeviceId;
    name = port->Name;
    return MidiResult::NoError;
}

TMidiResult TRtMidiDeviceLayer::Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                                     TMidiInHandle& handle)
{
    std::lock_guard lock(mutex_);
    const TPort* listed = Port(index);
    if (listed == nullptr)
        return MidiResult::BadDeviceId;
    if (callback == nullptr)
        return MidiResult::InvalidParam;
    const TPort port = *listed;

    auto device = std::make_unique<TDevice>();
    device->Callback = callback;
    device->Instance = instance;
    if (port.Api == RtMidi::UNIX_JACK && !jack_->Answering())
        return MidiResult::NoDriver;  // RtMidi would crash opening a port without a server
    try {
        device->In = std::make_unique<RtMidiIn>(static_cast<RtMidi::Api>(port.Api), clientName_);
        device->In->setErrorCallback(&TErrorSink::OnError, &device->Errors);
        const unsigned count = device->In->getPortCount();
        if (device->Errors.Take())
            return MidiResult::NoDriver;
        // Port numbers shift as other programs come and go: find it by name.
        unsigned number = count;
        for (unsigned i = 0; i < count && number == count; ++i)
            if (device->In->getPortName(i) == port.RtName)
                number = i;
        if (number == count)
            return MidiResult::BadDeviceId;
        device->In->ignoreTypes(false, false, false);
        device->In->setCallback(&TDevice::OnMessage, device.get());
        device->In->openPort(number, "input");
        if (device->Errors.Take())
            return MidiResult::Error;
    } catch (const RtMidiError&) {
        return MidiResult::NoDriver;
    } catch (const std::bad_alloc&) {
        return MidiResult::NoMemory;
    }
    handle = ++nextHandle_;
    device->Callback(device->Instance, TMidiInMessage::Open, 0, nullptr, 0);
    devices_.emplace(handle, std::move(device));
    return MidiResult::NoError;
}

TMidiResult TRtMidiDeviceLayer::PrepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(handle, [&](TDevice&) { return TSysexQueue::Prepare(header); });
}

TMidiResult TRtMidiDeviceLayer::AddBuffer(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(handle, [&](TDevice& device) { return device.Sysex.Add(header); });
}

TMidiResult TRtMidiDeviceLayer::UnprepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(handle, [&](TDevice&) { return TSysexQueue::Unprepare(header); });
}

TMidiResult TRtMidiDeviceLayer::Start(TMidiInHandle handle)
{
    return WithDevice(handle, [](TDevice& device) {
        if (!device.Started) {
            device.Started = true;
            device.FirstSinceStart = true;
            device.StartTime = std::chrono::steady_clock::now();
        }
        return MidiResult::NoError;
    });
}

TMidiResult TRtMidiDeviceLayer::Stop(TMidiInHandle handle)
{
    return WithDevice(handle, [](TDevice& device) {
        device.Started = false;
        return MidiResult::NoError;
    });
}

TMidiResult TRtMidiDeviceLayer::Reset(TMidiInHandle handle)
{
    return WithDevice(handle, [](TDevice& device) {
        device.Started = false;
        const auto elapsed = std::chrono::steady_clock::now() - device.StartTime;
        const auto timestamp = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
        device.Sysex.ReturnAll([&](TMidiHeader& header) {
            device.Callback(device.Instance, TMidiInMessage::LongData, 0, &header, timestamp);
        });
        return MidiResult::NoError;
    });
}

TMidiResult TRtMidiDeviceLayer::Close(TMidiInHandle handle)
{
    std::lock_guard lock(mutex_);
    TDevice* device = Find(handle);
    if (device == nullptr)
        return MidiResult::InvalidHandle;
    {
        // Not WithDevice: the input thread takes the device's lock to
        // deliver, so it must be free while that thread is ended below.
        std::lock_guard deviceLock(device->Mutex);
        if (!device->Sysex.Empty())
            return MidiResult::StillPlaying;
    }
    // Destroying RtMidiIn closes the port and ends (joins) its input thread
    // or JACK client, so no callback runs once this returns.
    device->In.reset();
    device->Callback(device->Instance, TMidiInMessage::Close, 0, nullptr, 0);
    devices_.erase(handle);
    return MidiResult::NoError;
}

TMidiResult TRtMidiDeviceLayer::ErrorText(TMidiResult code, std::string& text)
{
    return StandardMidiErrorText(code, text) ? MidiResult::NoError : MidiResult::InvalidParam;
}
