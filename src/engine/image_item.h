#pragma once

#include "item_id.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace pictavo {

// One entry of the conversion queue. Only `status` changes after creation.
struct ImageItem {
    // Where an item stands in the conversion; `done` carries the written file, `failed` the
    // message shown for it.
    struct ItemStatus {
        enum Kind { ready, processing, done, failed };

        Kind kind = ready;
        std::filesystem::path output; // done only
        std::string message;          // failed only

        static ItemStatus makeReady() { return {ready, {}, {}}; }
        static ItemStatus makeProcessing() { return {processing, {}, {}}; }
        static ItemStatus makeDone(std::filesystem::path output)
        {
            return {done, std::move(output), {}};
        }
        static ItemStatus makeFailed(std::string message)
        {
            return {failed, {}, std::move(message)};
        }

        // Same case, and for done and failed the same payload.
        bool operator==(const ItemStatus& other) const
        {
            if (kind != other.kind)
                return false;
            if (kind == done)
                return output == other.output;
            if (kind == failed)
                return message == other.message;
            return true;
        }
    };

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
