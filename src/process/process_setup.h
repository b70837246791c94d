#pragma once

namespace pictavo {

// Process-wide set-up for image conversions, done by each executable's main and never by a
// library: what it sets holds for the whole process.

// Tunes the allocator. Call first thing in main, before any thread exists.
void setUpConversionProcess();

// Starts the image engine for `conversionsAtOnce` conversions running in parallel (0: as many as
// the run capacity allows, one per usable processor). Call once, before the first conversion.
void setUpImageEngine(int conversionsAtOnce);

} // namespace pictavo
