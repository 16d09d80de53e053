#pragma once
// Where the MIDI driver's callback sends word that input is waiting. The
// callback runs on a driver thread and may not call the owner directly; it
// posts a notification, and the owner's thread (the window's, or a plain
// TEventLoop's) later hands it to the component, which then calls the owner's
// handler there.

#include <cstdint>
#include <functional>

enum class TMidiNotification : std::uint8_t {
    Data,      // one message was stored in the input ring
    Overflow,  // one message was lost because the ring was full
};

class TNotificationTarget {
public:
    using THandler = std::function<void(TMidiNotification)>;

    virtual ~TNotificationTarget() = default;

    // Any thread, at any rate; never blocks and never calls the handler
    // itself. Each Post leads to exactly one call of the handler on the
    // owner's thread (unless the target is destroyed first). The plain target
    // takes no lock and allocates nothing; a toolkit's may use its own posting.
    virtual void Post(TMidiNotification notification) noexcept = 0;

    // Owner's thread, before the first Post: the component's notification
    // handling. The handler may process messages again (nested), and then
    // sees the notifications posted meanwhile; none is handled twice.
    virtual void SetHandler(THandler handler) = 0;
};
