#pragma once

#include <string>
#include <string_view>

namespace pictavo::cli {

// A path as pictavo-cli prints it, one line per path whatever the name holds: a backslash
// becomes "\\", the control characters with a C escape become \a \b \t \n \v \f \r, and every
// other control byte (C0, DEL, the UTF-8 bytes of C1 controls) and every byte that is not part
// of valid UTF-8 becomes a backslash and three octal digits ("\351"). Everything else, Turkish
// letters included, is printed as it is. The form is reversible; the files keep their names.
std::string printedPath(std::string_view bytes);

} // namespace pictavo::cli
