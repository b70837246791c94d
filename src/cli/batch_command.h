#pragma once

#include <string_view>
#include <vector>

namespace pictavo::cli {

// pictavo-cli batch --output DIR [options] PATH…: the window's workflow without the window.
// Exit codes: 0 all converted, 1 an item failed or a path was skipped / the folder could not be
// made / nothing to convert, 2 bad arguments, 3 cancelled with Ctrl-C.
int runBatch(int argc, char** argv, const std::vector<std::string_view>& arguments);

} // namespace pictavo::cli
