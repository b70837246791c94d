#pragma once

#include "item_id.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace pictavo {

enum class ItemState { ready, processing, done, failed };

// Where an item stands in the conversion: the written file once done, the message shown for it
// once failed.
struct ItemStatus {
    ItemState state = ItemState::ready;
    std::filesystem::path output;
    std::string message;

    bool operator==(const ItemStatus&) const = default;
};

// One entry of the conversion queue. Only `status` changes after creation.
struct ImageItem {
    ItemId id;
    std::filesystem::path url;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    std::int64_t fileSize = 0;
    ItemStatus status;
    // The item's folder as seen from the parent of the folder it was added with: "Tatil/Gün1"
    // for Tatil/Gün1/x.jpg when Tatil was added. Empty for a file added on its own.
    std::filesystem::path addedFolderPath;
    int decodedBytesPerPixel = 4; // as ImageInfo gives it

    bool operator==(const ImageItem&) const = default;
};

} // namespace pictavo
