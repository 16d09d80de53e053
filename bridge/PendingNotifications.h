#pragma once
// Notifications counted by the threads that post them and handed out one by
// one on the owner's thread: the common core of the notification targets.
// Posting is one atomic increment: no lock, no allocation.

#include <atomic>
#include <cstdint>
#include <functional>

#include "NotificationTarget.h"

class TPendingNotifications {
public:
    // Any thread. True when that kind's count was 0, so that an owner
    // about to sleep must be woken.
    bool Add(TMidiNotification notification) noexcept;

    // Posted and not yet handed out.
    std::uint32_t Count() const noexcept;

    // Owner's thread: calls handle once for each notification pending on
    // entry, data ones first. Each is claimed before its call, so a handler
    // that processes messages again (nested) takes the next ones itself and
    // none is handed out twice; what arrives meanwhile waits for the next call.
    void HandEach(const std::function<void(TMidiNotification)>& handle);

private:
    static bool Claim(std::atomic<std::uint32_t>& pending) noexcept;

    alignas(64) std::atomic<std::uint32_t> data_{0};
    alignas(64) std::atomic<std::uint32_t> overflow_{0};
};
