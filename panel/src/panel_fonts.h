// Resources and fonts of the panel: the drawn artwork compiled into the
// program, and a CJK font standing in where the named one is missing.
#pragma once

namespace oro::panel {

inline constexpr const char* kPanelFontFamily = "Microsoft YaHei";

// Registers the artwork resources (they live in a static library).
void InitPanelResources();
// The application font: the named family with the installed CJK families
// substituted behind it, so Chinese text always has glyphs.
void ApplyPanelFont();

}  // namespace oro::panel
