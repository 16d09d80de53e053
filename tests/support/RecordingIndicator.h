#pragma once
// An activity indicator for tests: counts the bridge's calls, runs a hook at
// each light (the moment the bridge takes an event, before it fetches it) and
// passes every call on to a real lamp, when one is given.

#include <functional>

#include "ActivityIndicator.h"

class TRecordingIndicator final : public TActivityIndicator {
public:
    explicit TRecordingIndicator(TActivityIndicator* lamp = nullptr) : lamp_(lamp) {}

    void SetLit(bool lit) override
    {
        ++(lit ? lights : darks);
        if (lamp_)
            lamp_->SetLit(lit);
        if (lit && onLight)
            onLight();
    }
    void RestartClock() override
    {
        ++restarts;
        if (lamp_)
            lamp_->RestartClock();
    }
    void StopClock() override
    {
        ++stops;
        if (lamp_)
            lamp_->StopClock();
    }

    int lights = 0;
    int darks = 0;
    int restarts = 0;
    int stops = 0;
    std::function<void()> onLight;

private:
    TActivityIndicator* lamp_;
};
