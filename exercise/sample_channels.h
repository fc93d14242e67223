// The sample channels, each declared once. The store's series and accessors, the host record's
// copies in both directions, the reader's element lookup and the tool's field table are all made
// from this list, so a channel cannot be added to one of them and forgotten in another.
#pragma once

// X(Name, Type, Field, Element), in the host record's order:
//   Name     the store's accessors: GetName, SetName
//   Type     what the store keeps of it
//   Field    its field of ExerciseDataRecord
//   Element  its PWX sample element; "" for the channels only the host fills
#define TESSALY_SAMPLE_CHANNELS(X)                                                                \
  X(Hr, std::uint8_t, HeartRate, "hr")                                                            \
  X(Dist, double, Distance, "dist")                                                               \
  X(Spd, double, Speed, "spd")                                                                    \
  X(Alt, double, Altitude, "alt")                                                                 \
  X(Temp, double, Temperature, "temp")                                                            \
  X(Pwr, double, Power, "pwr")                                                                    \
  X(PwrRight, double, PowerBalance, "pwrright")                                                   \
  X(Cad, std::uint8_t, Cadence, "cad")                                                            \
  X(Lat, double, Latitude, "lat")                                                                 \
  X(Lon, double, Longitude, "lon")                                                                \
  X(SampleText, std::string, SampleText, "")                                                      \
  X(TimeOffset, std::int32_t, TimeOffset, "timeoffset")                                           \
  X(SampleByte, std::uint8_t, SampleByte, "")                                                     \
  X(TorqueEffectivenessLeft, double, TorqueEffectivenessLeft, "torque_effectiveness_left")        \
  X(TorqueEffectivenessRight, double, TorqueEffectivenessRight, "torque_effectiveness_right")     \
  X(PedalSmoothnessLeft, double, PedalSmoothnessLeft, "pedal_smoothness_left")                    \
  X(PedalSmoothnessRight, double, PedalSmoothnessRight, "pedal_smoothness_right")
