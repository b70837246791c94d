#include "printed_path.h"

#include <algorithm>
#include <cstdint>

namespace pictavo::cli {

namespace {

// The length of the valid UTF-8 sequence starting at `at`, or 0 when the bytes there are not
// one (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint8_t>(text[i]);
    };
    const std::uint8_t lead = byte(at);
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t next = byte(at + i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

void appendOctal(std::string& out, std::uint8_t byte)
{
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

constexpr std::string_view kLetterEscapes = "abtnvfr"; // for bytes 7 to 13

} // namespace

std::string printedPath(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<std::uint8_t>(bytes[at]);
        const std::size_t length = utf8SequenceLength(bytes, at);
        // C1 controls are U+0080 to U+009F, encoded as C2 80 to C2 9F.
        const bool control =
            byte < 0x20 || byte == 0x7F ||
            (length == 2 && byte == 0xC2 && static_cast<std::uint8_t>(bytes[at + 1]) < 0xA0);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte >= 7 && byte <= 13) {
            out += '\\';
            out += kLetterEscapes[byte - 7];
        } else if (length == 0 || control) {
            for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                appendOctal(out, static_cast<std::uint8_t>(bytes[at + i]));
            at += std::max<std::size_t>(length, 1);
            continue;
        } else {
            out.append(bytes.substr(at, length));
            at += length;
            continue;
        }
        ++at;
    }
    return out;
}

} // namespace pictavo::cli
