#pragma once

namespace pictavo {

// Starts the image engine for this process with `threadsPerConversion` libvips worker threads for
// each conversion. Process-wide: called once by each executable's start-up, before the first
// conversion. Without it the engine starts itself on first use with libvips' own thread count.
void startImageEngine(int threadsPerConversion);

} // namespace pictavo
