#pragma once
// Processing pending Qt events from inside a handler: what the serial link's
// acknowledgement wait calls, so the window stays alive while it waits.

#include <QCoreApplication>

#include "MessagePump.h"

class TQtMessagePump final : public TMessagePump {
public:
    void ProcessMessages() override { QCoreApplication::processEvents(); }
};
