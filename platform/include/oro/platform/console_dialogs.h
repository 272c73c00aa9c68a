// The Dialogs adapter for a program nobody clicks for: the message goes to a
// console stream and the debug output, and showing it never waits. Every
// system builds the same one; a program that must never raise a box (a
// service) takes it whatever its system offers.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "oro/platform/debug_output.h"
#include "oro/platform/dialogs.h"

namespace oro::platform {

// "caption: error: text" (warning, note): the line every Dialogs adapter
// writes to the debug output, so a log shows what the user was told.
std::wstring DialogLine(const std::wstring& text, const std::wstring& caption, DialogIcon icon);

// Writes DialogLine to `stream` in the console's encoding, then to `debug`
// (either may be null).
std::unique_ptr<Dialogs> MakeConsoleDialogs(std::shared_ptr<DebugOutput> debug, std::FILE* stream = stderr);

}  // namespace oro::platform
