#include "OutputTest.h"

#include <stdexcept>

void TOutputTest::Light(std::uint8_t output, std::uint8_t level)
{
    bridge_.SetOutput(output, level);
    if (level != 0)
        lit_.insert(output);
    else
        lit_.erase(output);
}

void TOutputTest::One(std::uint8_t output, std::uint8_t level)
{
    Stop();
    running_ = true;
    Light(output, level);
    bridge_.SendQueue();
}

void TOutputTest::Range(std::uint8_t from, std::uint8_t to, std::uint8_t level)
{
    Stop();
    running_ = true;
    for (unsigned output = from; output <= to; ++output)
        Light(static_cast<std::uint8_t>(output), level);
    bridge_.SendQueue();
}

void TOutputTest::Chase(const TChase& chase)
{
    if (!(chase.StepsPerSecond > 0))
        throw std::invalid_argument("the chase needs a rate above 0");
    Stop();
    running_ = true;
    chase_ = chase;
    step_ = 0;
    started_ = now_();
    ClockRanOut();
}

void TOutputTest::ClockRanOut()
{
    if (!running_)
        return;
    // Step k lights From + k and switches off the one before; the step after
    // the last switches off the last one and ends the chase.
    const unsigned count = chase_.To >= chase_.From ? chase_.To - chase_.From + 1u : 0u;
    if (step_ > 0)
        Light(static_cast<std::uint8_t>(chase_.From + step_ - 1), 0);
    if (step_ >= count) {
        bridge_.SendQueue();
        running_ = false;
        if (onEnded_)
            onEnded_();
        return;
    }
    Light(static_cast<std::uint8_t>(chase_.From + step_), chase_.Level);
    bridge_.SendQueue();
    ++step_;
    Schedule();
}

void TOutputTest::Schedule()
{
    // Due times count from the start, so that slow steps never add up.
    const auto period = std::chrono::duration<double>(1.0 / chase_.StepsPerSecond);
    const auto due = started_ + std::chrono::duration_cast<TClock::duration>(period * step_);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now_());
    clock_.Start(std::max(wait, std::chrono::milliseconds(0)));
}

void TOutputTest::Stop()
{
    clock_.Stop();
    const bool lit = !lit_.empty();
    while (!lit_.empty())
        Light(*lit_.begin(), 0);
    running_ = false;
    if (lit)
        bridge_.SendQueue();
}
