// oro_panel_art OUT_FOLDER: draws every image of the panel into OUT_FOLDER
// and writes "panel_art.qrc" naming each under the resource path the panel
// uses. Run by the build; nothing it writes is kept in the repository.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <vector>

#include "painters.h"

using namespace oro::panel::art;

namespace {

struct Entry {
  QString alias;  // resource path without the leading ":/"; empty: installed, not a resource
  QString file;   // file below OUT_FOLDER (ASCII names only)
  std::function<QImage()> draw;
  const char* format = "png";
};

std::vector<Entry> Catalogue() {
  std::vector<Entry> e = {
      {"demo/demo.ico", "demo/demo.ico", [] { return AppIcon(64); }, "ico"},
      {"demo/png/app_icon.png", "demo/app_icon.png", [] { return AppIcon(256); }},
      {"demo/png/logo.png", "demo/logo.png", [] { return Logo(); }},
      {"right/png/btn_open.png", "right/btn_open.png", [] { return Switch(true); }},
      {"right/png/btn_close.png", "right/btn_close.png", [] { return Switch(false); }},
      {"right/png/silent-volumeHigh.png", "right/silent-volumeHigh.png", [] { return Speaker(true); }},
      {"left/png/y1.png", "left/y1.png", [] { return Speaker(false); }},
      {"right/png/icon_lock.png", "right/icon_lock.png", [] { return Lock(true); }},
      {"right/png/icon_lock_open.png", "right/icon_lock_open.png", [] { return Lock(false); }},
      {"right/png/pic_room_S.png", "right/pic_room_S.png", [] { return Room(1); }},
      {"right/png/pic_room_M.png", "right/pic_room_M.png", [] { return Room(2); }},
      {"right/png/pic_room_L.png", "right/pic_room_L.png", [] { return Room(3); }},
      {"right/png/kjyx_pic.png", "right/kjyx_pic.png", [] { return SpatialPicture(); }},
      {"right/png/jiangzao_pic.png", "right/jiangzao_pic.png", [] { return NoiseReduction(true); }},
      {"right/png/jiangzao_pic_nor.png", "right/jiangzao_pic_nor.png", [] { return NoiseReduction(false); }},
      {"right/png/icon_konglong.png", "right/icon_konglong.png", [] { return VoiceIcon(1); }},
      {"right/png/icon_katong.png", "right/icon_katong.png", [] { return VoiceIcon(2); }},
      {"right/png/icon_man.png", "right/icon_man.png", [] { return VoiceIcon(3); }},
      {"right/png/icon_woman.png", "right/icon_woman.png", [] { return VoiceIcon(4); }},
      {QString::fromUtf8("page4/png/\xe5\x9c\x86.png"), "page4/circle.png", [] { return SoundFieldCircle(); }},
      {"page4/png/D__0.png", "page4/D__0.png", [] { return SpeakerMark(); }},
      {"page4/png/pallete.png", "page4/pallete.png", [] { return Palette(); }},
      {"page4/png/bp_none.png", "page4/bp_none.png", [] { return Battery(0, false, true); }},
      {"page4/png/bp_100.png", "page4/bp_100.png", [] { return Battery(100, false, false); }},
      {"page4/png/chging.png", "page4/chging.png", [] { return Battery(0, true, false); }},
      {"page4/png/usb_cnt.png", "page4/usb_cnt.png", [] { return Link(true); }},
      {"page4/png/usb_dis.png", "page4/usb_dis.png", [] { return Link(false); }},
      {"dlg/png/tanchuang_logo.png", "dlg/tanchuang_logo.png", [] { return DialogLogo(); }},
      {"dlg/png/tc_icon_close.png", "dlg/tc_icon_close.png", [] { return DialogClose(false); }},
      {"dlg/png/tc_icon_close_hover.png", "dlg/tc_icon_close_hover.png", [] { return DialogClose(true); }},
  };
  for (int step = 1; step <= 8; ++step) {
    const QString name = QStringLiteral("bp_%1.png").arg(step * 10);
    e.push_back({"page4/png/" + name, "page4/" + name, [step] { return Battery(step * 10, false, false); }});
  }
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString file = QStringLiteral("hicolor/%1x%1/oro_panel.png").arg(size);
    e.push_back({QString(), file, [size] { return AppIcon(size); }});
  }
  for (const char* kind : {"about", "setting", "min", "close"}) {
    for (bool hover : {false, true}) {
      const QString name = QStringLiteral("icon_%1%2.png").arg(kind, hover ? "_hover" : "");
      e.push_back({"demo/png/" + name, "demo/" + name, [kind, hover] { return TitleIcon(kind, hover); }});
    }
  }
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: oro_panel_art OUT_FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QString qrc = QStringLiteral("<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n");
  for (const Entry& entry : Catalogue()) {
    const QString path = out.filePath(entry.file);
    if (!QDir().mkpath(QFileInfo(path).path())) {
      std::fprintf(stderr, "oro_panel_art: cannot create the folder of %s\n", qPrintable(path));
      return 1;
    }
    QImageWriter writer(path, entry.format);
    if (!writer.write(entry.draw())) {
      std::fprintf(stderr, "oro_panel_art: cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
      return 1;
    }
    if (!entry.alias.isEmpty()) qrc += QStringLiteral("  <file alias=\"%1\">%2</file>\n").arg(entry.alias, entry.file);
  }
  qrc += QStringLiteral("</qresource>\n</RCC>\n");
  QFile file(out.filePath(QStringLiteral("panel_art.qrc")));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(qrc.toUtf8()) < 0) {
    std::fprintf(stderr, "oro_panel_art: cannot write %s\n", qPrintable(file.fileName()));
    return 1;
  }
  return 0;
}
