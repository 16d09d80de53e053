#include "SequencePlayer.h"

#include <algorithm>
#include <array>

void TSequencePlayer::Load(std::vector<TContactorEvent> changes, std::uint16_t resolutionMs)
{
    Stop();
    changes_ = std::move(changes);
    std::stable_sort(changes_.begin(), changes_.end(),
                     [](const TContactorEvent& a, const TContactorEvent& b) { return a.TimeMs < b.TimeMs; });
    length_ = changes_.empty() ? 0 : changes_.back().TimeMs + resolutionMs;
    worstLag_ = {};
    lags_.clear();
}

void TSequencePlayer::Apply(const TContactorEvent& change)
{
    bridge_.SetOutput(change.Contact, change.Value);
    if (change.Value != 0)
        lit_.insert(change.Contact);
    else
        lit_.erase(change.Contact);
}

void TSequencePlayer::Play(std::uint32_t fromMs)
{
    clock_.Stop();
    // What the show holds at the start point, output by output.
    std::array<int, 256> state;
    state.fill(-1);
    next_ = 0;
    while (next_ < changes_.size() && changes_[next_].TimeMs < fromMs) {
        state[changes_[next_].Contact] = changes_[next_].Value;
        ++next_;
    }
    for (std::size_t index = 0; index < state.size(); ++index) {
        const auto output = static_cast<std::uint8_t>(index);
        if (state[index] > 0)
            Apply({0, output, static_cast<std::uint8_t>(state[index])});
        else if (lit_.count(output) != 0)
            Apply({0, output, 0});
    }
    playing_ = true;
    zero_ = now_() - std::chrono::milliseconds(fromMs);
    bridge_.SendQueue();
    ClockRanOut();
}

void TSequencePlayer::ClockRanOut()
{
    if (!playing_)
        return;
    const TClock::time_point now = now_();
    bool applied = false;
    while (next_ < changes_.size()) {
        const TClock::time_point due = zero_ + std::chrono::milliseconds(changes_[next_].TimeMs);
        if (due > now)
            break;
        const auto lag = std::chrono::duration_cast<std::chrono::microseconds>(now - due);
        worstLag_ = std::max(worstLag_, lag);
        lags_.push_back(lag);
        Apply(changes_[next_++]);
        applied = true;
    }
    if (applied)
        bridge_.SendQueue();
    if (next_ >= changes_.size() && now >= zero_ + std::chrono::milliseconds(length_)) {
        // The show has ended: what it left on goes off.
        playing_ = false;
        position_ = 0;
        SwitchOffLit();
        if (onEnded_)
            onEnded_();
        return;
    }
    Schedule();
}

void TSequencePlayer::Schedule()
{
    const std::uint32_t next = next_ < changes_.size() ? changes_[next_].TimeMs : length_;
    const TClock::time_point due = zero_ + std::chrono::milliseconds(next);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now_());
    // A millisecond's rounding down would wake it early; it then waits again.
    clock_.Start(std::max(wait, std::chrono::milliseconds(0)));
}

std::uint32_t TSequencePlayer::Position() const
{
    if (!playing_)
        return position_;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now_() - zero_).count();
    return static_cast<std::uint32_t>(std::clamp<long long>(elapsed, 0, Length()));
}

void TSequencePlayer::Pause()
{
    if (!playing_)
        return;
    position_ = Position();
    playing_ = false;
    clock_.Stop();
    SwitchOffLit();
}

void TSequencePlayer::Stop()
{
    playing_ = false;
    position_ = 0;
    clock_.Stop();
    SwitchOffLit();
}

void TSequencePlayer::SwitchOffLit()
{
    if (lit_.empty())
        return;
    while (!lit_.empty())
        Apply({0, *lit_.begin(), 0});
    bridge_.SendQueue();
}
