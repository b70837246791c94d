#pragma once

#include "exif_edit.h"

namespace pictavo::detail {

// The source metadata that goes into an output file; empty blocks are not written.
struct EncodedMetadata {
    Bytes exif; // with its "Exif\0\0" header, already normalised for the output
    Bytes xmp;
    Bytes iptc;
    Bytes icc;
};

} // namespace pictavo::detail
