// The drawn artwork as the panel loads it: every image the pages and
// dialogs name exists, the palette's colour under any point is known, and
// the pictures meant to show the page through are transparent there.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "palette.h"

namespace {

TEST(PanelArt, EveryNamedImageLoadsWithItsSize) {
  const struct {
    const char* path;
    int width, height;
  } images[] = {
      {":/right/png/btn_open.png", 60, 30},
      {":/right/png/btn_close.png", 60, 30},
      {":/right/png/silent-volumeHigh.png", 32, 32},
      {":/left/png/y1.png", 32, 32},
      {":/right/png/icon_lock.png", 32, 32},
      {":/right/png/icon_lock_open.png", 32, 32},
      {":/right/png/pic_room_S.png", 120, 90},
      {":/right/png/pic_room_M.png", 120, 90},
      {":/right/png/pic_room_L.png", 120, 90},
      {":/right/png/kjyx_pic.png", 360, 200},
      {":/right/png/jiangzao_pic.png", 300, 160},
      {":/right/png/jiangzao_pic_nor.png", 300, 160},
      {":/right/png/icon_konglong.png", 80, 80},
      {":/right/png/icon_katong.png", 80, 80},
      {":/right/png/icon_man.png", 80, 80},
      {":/right/png/icon_woman.png", 80, 80},
      {":/page4/png/D__0.png", 28, 28},
      {":/page4/png/pallete.png", 256, 256},
      {":/page4/png/bp_none.png", 51, 51},
      {":/page4/png/bp_100.png", 51, 51},
      {":/page4/png/chging.png", 51, 51},
      {":/page4/png/usb_cnt.png", 51, 41},
      {":/page4/png/usb_dis.png", 51, 41},
      {":/dlg/png/tanchuang_logo.png", 200, 100},
      {":/dlg/png/tc_icon_close.png", 28, 28},
      {":/dlg/png/tc_icon_close_hover.png", 28, 28},
      {":/demo/png/logo.png", 220, 40},
      {":/demo/demo.ico", 64, 64},
  };
  for (const auto& image : images) {
    const QImage loaded(QString::fromLatin1(image.path));
    ASSERT_FALSE(loaded.isNull()) << image.path;
    EXPECT_EQ(loaded.size(), QSize(image.width, image.height)) << image.path;
  }
  for (int step = 1; step <= 8; ++step) {
    EXPECT_FALSE(QImage(QStringLiteral(":/page4/png/bp_%1.png").arg(step * 10)).isNull()) << step;
  }
  EXPECT_FALSE(QIcon(QStringLiteral(":/demo/demo.ico")).isNull());
  // The on and off states differ, so a state change is visible.
  EXPECT_NE(QImage(":/right/png/btn_open.png"), QImage(":/right/png/btn_close.png"));
  EXPECT_NE(QImage(":/right/png/silent-volumeHigh.png"), QImage(":/left/png/y1.png"));
  EXPECT_NE(QImage(":/page4/png/bp_10.png"), QImage(":/page4/png/bp_80.png"));
}

TEST(PanelArt, PaletteHoldsTheKnownColourAtEveryPoint) {
  const QImage palette(QStringLiteral(":/page4/png/pallete.png"));
  ASSERT_EQ(palette.size(), QSize(256, 256));
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const auto c = oro::panel::art::PaletteColour(x, y);
      const QRgb p = palette.pixel(x, y);
      ASSERT_EQ(qRed(p), c.r) << x << "," << y;
      ASSERT_EQ(qGreen(p), c.g) << x << "," << y;
      ASSERT_EQ(qBlue(p), c.b) << x << "," << y;
    }
  }
  // Anchors a reader can check by eye: pure hues along the top, white at
  // the bottom.
  EXPECT_EQ(palette.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(palette.pixel(85, 0), qRgb(1, 255, 0));
  EXPECT_EQ(palette.pixel(128, 0), qRgb(0, 255, 255));
  EXPECT_EQ(palette.pixel(171, 0), qRgb(2, 0, 255));
  EXPECT_EQ(palette.pixel(200, 255), qRgb(255, 255, 255));
}

TEST(PanelArt, SoundFieldPictureIsTransparentOutsideItsRings) {
  const QImage circle(QString::fromUtf8(":/page4/png/\xe5\x9c\x86.png"));
  ASSERT_EQ(circle.size(), QSize(340, 340));
  ASSERT_TRUE(circle.hasAlphaChannel());
  EXPECT_EQ(qAlpha(circle.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(circle.pixel(339, 339)), 0);
  EXPECT_GT(qAlpha(circle.pixel(170, 170)), 0);
  const QImage speaker(QStringLiteral(":/page4/png/D__0.png"));
  EXPECT_EQ(qAlpha(speaker.pixel(0, 0)), 0);
  EXPECT_GT(qAlpha(speaker.pixel(14, 17)), 0);
}

}  // namespace
