// Every image of the panel, drawn with QPainter in one dark look: near-black
// grounds, light grey strokes, white for what is active and the kit's red
// for what is on.
#pragma once

#include <QColor>
#include <QImage>

namespace oro::panel::art {

inline const QColor kRed{0xef, 0x03, 0x03};
inline const QColor kLight{0xe6, 0xe6, 0xe6};
inline const QColor kGrey{0x9a, 0x9d, 0xa1};
inline const QColor kDim{0x44, 0x46, 0x45};
inline const QColor kGround{0x1b, 0x1c, 0x1e};

QImage AppIcon(int size);
QImage Logo();
QImage TitleIcon(const QString& kind, bool hover);
QImage Switch(bool on);
QImage Speaker(bool muted);
QImage Lock(bool locked);
QImage Room(int size_step);
QImage SpatialPicture();
QImage NoiseReduction(bool on);
QImage VoiceIcon(int voice);
QImage SoundFieldCircle();
QImage SpeakerMark();
QImage Palette();
QImage Battery(int percent, bool charging, bool none);
QImage Link(bool connected);
QImage DialogLogo();
QImage DialogClose(bool hover);

}  // namespace oro::panel::art
