// The client's diagnostic lines: one line per call, in the console's encoding.
#pragma once

#include <string>

namespace oro::updater::diag {

void Out(const std::string& utf8_line);
void Err(const std::string& utf8_line);

// A reply's text without its trailing line end, for quoting in a line.
std::string Quote(const std::string& reply_text);

// A reply flattened to one printable line, for failure texts: line ends
// become blanks and other control bytes '?', so a server cannot write to the
// user's terminal.
std::string Printable(const std::string& reply_text);

// What really failed, in English, for FtpLastFailure: set by the step that
// failed, cleared when a download or session starts.
void SetFailure(const std::string& text);
void ClearFailure();
const std::string& Failure();

}  // namespace oro::updater::diag
