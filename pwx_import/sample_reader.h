// One PWX `sample` element into the next index of the sample store.
#pragma once

#include "exercise/cExerciseDatas.h"
#include "pwx_import/import_state.h"
#include "pwx_import/xml_tree.h"

namespace tessaly {

// Kilometres per degree of great-circle arc.
inline constexpr long double KmPerDegree = 111.12L;

// Reads the sample into index state.SampleIndex + 1: units converted to the store's, zero
// positions replaced by the last ones, the distance filled from the GPS positions where the file
// gives none and never allowed to go back, the right pedal's power turned into the balance.
void ReadSample(const xml::Node& sample, ImportState& state, TMyHRMDatas& samples);

// Distance in km between two positions in degrees by the spherical law of cosines, worked in
// extended precision with the project's own trigonometry so that every build gives the same bits.
// 0 for identical positions and whenever the step cannot be formed.
double GreatCircleStepKm(double lat1, double lon1, double lat2, double lon2);

}  // namespace tessaly
