#include "Win32MessageLoop.h"

#include <atomic>
#include <stdexcept>
#include <string>

#include "PendingNotifications.h"
#include "Win32Ui.h"

namespace {

constexpr wchar_t LoopClass[] = L"TOREMMessageLoop";
// A notification target's word that notifications wait: wParam its number.
constexpr UINT NotificationsWaiting = WM_APP + 1;

}  // namespace

// A one-shot window timer; a name is all Windows has no use for.
class TWin32MessageLoop::TClock final : public TTimerClock {
public:
    TClock(TWin32MessageLoop& loop, std::function<void()> onRunOut)
        : loop_(loop), id_(++loop.lastId_), onRunOut_(std::move(onRunOut))
    {
        loop_.clocks_[id_] = this;
    }
    ~TClock() override
    {
        Stop();
        loop_.clocks_.erase(id_);
    }
    TClock(const TClock&) = delete;
    TClock& operator=(const TClock&) = delete;

    void Start(std::chrono::milliseconds interval) override
    {
        // SetTimer restarts a running timer, and takes 0 as its least.
        SetTimer(loop_.window_, id_, static_cast<UINT>(interval.count()), nullptr);
        enabled_ = true;
    }
    void Stop() override
    {
        if (enabled_)
            KillTimer(loop_.window_, id_);
        enabled_ = false;
    }
    bool Enabled() const override { return enabled_; }

    void RunOut()
    {
        Stop();
        // The handler may end the clock itself.
        const std::function<void()> run = onRunOut_;
        run();
    }

private:
    TWin32MessageLoop& loop_;
    UINT_PTR id_;
    std::function<void()> onRunOut_;
    bool enabled_ = false;
};

// Timer1: 1000 ms, disabled when it runs out; starting it again while it
// runs does not restart it.
class TWin32MessageLoop::TAck final : public TAckClock {
public:
    explicit TAck(TWin32MessageLoop& loop) : clock_(loop, [] {}) {}
    void Start() override
    {
        if (!clock_.Enabled())
            clock_.Start(std::chrono::milliseconds(1000));
    }
    void Stop() override { clock_.Stop(); }
    bool Enabled() const override { return clock_.Enabled(); }

private:
    TClock clock_;
};

// A post from the driver's thread counts itself and, when no word is on its
// way yet, posts one message; handling it hands every counted notification
// on, one call per post. A burst of events costs one message, not one each.
class TWin32MessageLoop::TTarget final : public TNotificationTarget {
public:
    explicit TTarget(TWin32MessageLoop& loop) : loop_(loop), window_(loop.window_), id_(++loop.lastId_)
    {
        loop_.targets_[id_] = this;
    }
    // A word still queued finds no target and is dropped.
    ~TTarget() override { loop_.targets_.erase(id_); }
    TTarget(const TTarget&) = delete;
    TTarget& operator=(const TTarget&) = delete;

    void Post(TMidiNotification notification) noexcept override
    {
        pending_.Add(notification);
        if (!posted_.exchange(true, std::memory_order_acq_rel))
            Word();
    }
    void SetHandler(THandler handler) override { handler_ = std::move(handler); }

    void Dispatch()
    {
        // Cleared first: a post from now on sends a word of its own.
        posted_.store(false, std::memory_order_release);
        // What arrives meanwhile waits for its own word, behind the timers
        // and input queued in between.
        pending_.HandEach([this](TMidiNotification notification) {
            if (handler_)
                loop_.Guard([&] { handler_(notification); });
        });
        if (pending_.Count() > 0 && !posted_.exchange(true, std::memory_order_acq_rel))
            Word();
    }

private:
    void Word() noexcept
    {
        // A full queue: the next post tries again.
        if (!PostMessageW(window_, NotificationsWaiting, id_, 0))
            posted_.store(false, std::memory_order_release);
    }

    TWin32MessageLoop& loop_;
    HWND window_;  // read by the driver's thread: never changes
    UINT_PTR id_;
    THandler handler_;
    TPendingNotifications pending_;
    std::atomic<bool> posted_{false};
};

TWin32MessageLoop::TWin32MessageLoop(TErrorSink onError) : onError_(std::move(onError))
{
    RegisterWindowClass(LoopClass, WindowProc);
    window_ = CreateWindowExW(0, LoopClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ProgramInstance(), this);
    if (window_ == nullptr)
        throw std::runtime_error("cannot create the message window (error " + std::to_string(GetLastError()) + ")");
    ackClock_ = std::make_unique<TAck>(*this);
}

TWin32MessageLoop::~TWin32MessageLoop()
{
    ackClock_.reset();
    DestroyWindow(window_);
}

TAckClock& TWin32MessageLoop::AckClock()
{
    return *ackClock_;
}

std::unique_ptr<TTimerClock> TWin32MessageLoop::NewClock(std::string_view, std::function<void()> onRunOut)
{
    return std::make_unique<TClock>(*this, std::move(onRunOut));
}

std::unique_ptr<TNotificationTarget> TWin32MessageLoop::NewNotificationTarget()
{
    return std::make_unique<TTarget>(*this);
}

void TWin32MessageLoop::ProcessMessages()
{
    // Posted messages, timers, paints and messages sent by other threads:
    // no keyboard or mouse input.
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            // For the loop that runs the program.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchMessageW(&message);
    }
}

void TWin32MessageLoop::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        if (onError_)
            onError_(std::current_exception());
    }
}

LRESULT CALLBACK TWin32MessageLoop::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* loop = Self<TWin32MessageLoop>(window, message, lParam);
    if (loop != nullptr && message == WM_TIMER) {
        if (const auto clock = loop->clocks_.find(wParam); clock != loop->clocks_.end())
            loop->Guard([clock] { clock->second->RunOut(); });
        else
            KillTimer(window, wParam);
        return 0;
    }
    if (loop != nullptr && message == NotificationsWaiting) {
        if (const auto target = loop->targets_.find(wParam); target != loop->targets_.end())
            target->second->Dispatch();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
