#include "item_id.h"

#include <mutex>
#include <random>

namespace pictavo {

ItemId ItemId::random()
{
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    ItemId id;
    {
        const std::lock_guard lock(mutex);
        for (std::size_t i = 0; i < id.bytes.size(); i += 8) {
            const std::uint64_t word = generator();
            for (std::size_t j = 0; j < 8; ++j)
                id.bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
        }
    }
    id.bytes[6] = static_cast<std::uint8_t>((id.bytes[6] & 0x0F) | 0x40); // version 4
    id.bytes[8] = static_cast<std::uint8_t>((id.bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

std::string ItemId::toString() const
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace pictavo
