#pragma once

namespace pictavo {

// Tunes the process for image conversions: call once, first thing in each executable's main,
// before any thread exists. Libraries never call it; what it sets holds for the whole process.
void setUpConversionProcess();

} // namespace pictavo
