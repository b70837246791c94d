#pragma once

#include "item_id.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictavo {

// A named target size offered by the settings inspector.
struct SizePreset {
    ItemId id;
    std::string title;
    std::string subtitle; // the aspect ratio, e.g. "4:5"
    std::int64_t width = 0;
    std::int64_t height = 0;

    // The ten presets in display order, built once; their ids differ from launch to launch.
    static const std::vector<SizePreset>& all();

    // Whether this preset is the current one for a target of `width` × `height`.
    bool matches(std::int64_t targetWidth, std::int64_t targetHeight) const
    {
        return width == targetWidth && height == targetHeight;
    }
};

} // namespace pictavo
