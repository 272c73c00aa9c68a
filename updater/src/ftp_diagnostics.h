// The client's diagnostic lines: one line per call, in the console's encoding.
#pragma once

#include <string>

namespace oro::updater::diag {

void Out(const std::string& utf8_line);
void Err(const std::string& utf8_line);

// A reply's text without its trailing line end, for quoting in a line.
std::string Quote(const std::string& reply_text);

}  // namespace oro::updater::diag
