// Test entry for the panel's widget tests: one QApplication on the
// offscreen platform, with the panel's artwork and font, for every test.
#include <gtest/gtest.h>

#include <QApplication>

#include "panel_fonts.h"

// Qt's offscreen platform keeps its screen objects until the process ends.
// The leak checker of the sanitizer build sees only two frames of Qt's own
// allocations; the private data and guard blocks named here are reported only
// when they hang off such a screen (a leaked object of the panel's is still
// reported by its own allocation).
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libqoffscreen.so\n"
         "leak:QScreen::QScreen\n"
         "leak:QPlatformScreen::QPlatformScreen\n"
         "leak:QWindowSystemInterface::handleScreenAdded\n"
         "leak:QObject::QObject\n"
         "leak:ExternalRefCountData::getAndRef\n";
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // Listing needs no widgets.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  oro::panel::InitPanelResources();
  oro::panel::ApplyPanelFont();
  return RUN_ALL_TESTS();
}
