// The document is the same whatever locale the process runs in, and the writer leaves the
// locale as it found it.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "document_check.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"

namespace tessaly::test {

// A workout whose every number has a fractional part somewhere.
inline PluginState FractionalWorkout() {
  PluginState s = FreshState();
  s.Summary.Distance = 12.3456;
  s.Summary.MaxSpeed = 333;
  s.Summary.AvgSpeed = 222;
  s.Summary.Duration = 10;
  PushSample(s, 0, {.TimeOffset = 0, .HeartRate = 120, .Speed = 23.45, .Distance = 0.01234, .Power = 201.7,
                    .PowerBalance = 52, .Cadence = 88, .Latitude = 47.123456, .Longitude = -8.654321,
                    .Altitude = 432.1, .Temperature = 19.5});
  SetLapDatasEx(s, MakeLap(10.5, 10.25, 0.0456));
  return s;
}

// Run with the locale to test already set in the C library.
inline void ExpectDocumentUnaffectedByCurrentLocale(const std::string& baseline) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the test locale has no decimal comma";
  PluginState s = FractionalWorkout();
  EXPECT_EQ(SavedDocument(s), baseline);
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

}  // namespace tessaly::test
