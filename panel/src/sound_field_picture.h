// The sound-field picture: the eight speaker marks placed around the circle at
// their angles, turned with the field, and their names. Every pixel is placed
// inside the circle image or dropped, whatever the images' sizes.
#pragma once

#include <QImage>

namespace oro::panel {

// Speaker names and positions in degrees counter-clockwise from the right,
// before the field's angle is added.
struct SpeakerPlace {
  const char* name;
  float degrees;
};
inline constexpr SpeakerPlace kSpeakerPlaces[] = {{"R", 20},    {"W", 70},    {"C", 110},  {"L", 160},
                                                  {"LS", -160}, {"LB", -110}, {"RB", -70}, {"RS", -20}};
inline constexpr float kSpeakerRadius = 110.0f;

// A null image when either image is null.
QImage DrawSoundField(const QImage& circle, const QImage& speaker, float angle_degrees);

// The field's angle after one step, kept within one turn [0, 360).
float TurnAngle(float angle, float step);

}  // namespace oro::panel
