#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pictavo {

// A random 128-bit identifier (a version 4 UUID).
struct ItemId {
    std::array<std::uint8_t, 16> bytes{};

    static ItemId random();
    std::string toString() const; // 8-4-4-4-12 lower-case hex

    bool operator==(const ItemId&) const = default;
    auto operator<=>(const ItemId&) const = default;
};

} // namespace pictavo
