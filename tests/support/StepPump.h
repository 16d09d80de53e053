#pragma once
// A message pump that runs the test's step on each pass: what a wait sees
// happen "meanwhile" is exactly what the test does there.

#include <functional>

#include "MessagePump.h"

class TStepPump final : public TMessagePump {
public:
    void ProcessMessages() override
    {
        ++passes;
        if (onPass)
            onPass();
    }

    std::function<void()> onPass;
    int passes = 0;
};
