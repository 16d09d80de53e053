#pragma once
// One item of the live send queue: the output number travels in the
// SendContacts list, the level in the SendValues list.

#include <cstdint>

struct TMidiEventToRS232 {
    std::uint8_t Contact = 0;
    std::uint8_t Value = 0;
};
