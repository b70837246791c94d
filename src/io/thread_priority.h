#pragma once

namespace pictavo {

// Lowers the calling thread (and the libvips workers it goes on to start) to background
// priority, so that conversions take whatever CPU the window leaves over instead of making it
// stutter. Linux nice values are per thread and inherited by threads created later.
void useBackgroundPriority();

} // namespace pictavo
