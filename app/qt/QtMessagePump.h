#pragma once
// Processing pending Qt events from inside a handler: what the serial link's
// acknowledgement wait calls, so that timers and MIDI notifications keep
// running while it waits. Keyboard and mouse input waits until the handshake
// is over (about a second at most): a menu command or a dialog opened inside
// the wait would run nested in it, and its own wait would outlast the
// acknowledgement clock.

#include <QCoreApplication>

#include "MessagePump.h"

class TQtMessagePump final : public TMessagePump {
public:
    void ProcessMessages() override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
};
