// Parameters of a program given as one command-line text, split into
// arguments the way programs of the kit's original platform split their
// command line, so a caller's quoting means the same everywhere.
#pragma once

#include <string>
#include <vector>

namespace oro::common {

// Arguments are separated by spaces or tabs; double quotes group text with
// spaces; 2n backslashes before a quote give n backslashes (and the quote
// groups), 2n+1 give n backslashes and a literal quote; other backslashes
// are literal; "" inside a quoted part is one literal quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& text);

}  // namespace oro::common
