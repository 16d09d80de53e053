#include "LoopNotificationTarget.h"

TLoopNotificationTarget::TLoopNotificationTarget(TEventLoop& loop) : loop_(loop)
{
    loop_.AddSource(*this);
}

TLoopNotificationTarget::~TLoopNotificationTarget()
{
    loop_.RemoveSource(*this);
}

void TLoopNotificationTarget::Post(TMidiNotification notification) noexcept
{
    // The loop checks HasPending before it waits, so only a count that was 0
    // can be missed by a loop about to sleep.
    if (pending_.Add(notification))
        loop_.Wake();
}

void TLoopNotificationTarget::SetHandler(THandler handler)
{
    handler_ = std::move(handler);
}

bool TLoopNotificationTarget::HasPending() const
{
    return pending_.Count() > 0;
}

void TLoopNotificationTarget::Dispatch()
{
    // What arrives during this pass waits for the next one, so timers are
    // not starved by a flood.
    pending_.HandEach([this](TMidiNotification notification) {
        if (handler_)
            handler_(notification);
    });
}
