#include "exercise/stores.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace tessaly {
namespace {

TEST(SampleStore, GrowsWithTheHighestIndexAndKeepsEveryValue) {
  const struct {
    std::int32_t index;
    std::int32_t count;
  } steps[] = {{3, 11}, {11, 12}, {4999, 5000}, {5000, 5001}, {12000, 12001}, {3, 12001}, {17000, 17001}};
  SampleStore store;
  store.SetSpd(10, 12.5);
  for (const auto& s : steps) {
    SCOPED_TRACE(s.index);
    EXPECT_TRUE(store.SetHr(s.index, 77));
    EXPECT_EQ(store.Count(), s.count);
    EXPECT_EQ(store.GetHr(s.index), 77);
    EXPECT_EQ(store.GetSpd(10), 12.5);  // kept through every growth
    EXPECT_EQ(store.GetDist(s.count), 0.0);
  }
}

TEST(SampleStore, CountFollowsAnyChannel) {
  SampleStore store;
  store.SetHr(9, 150);
  EXPECT_EQ(store.Count(), 10);
  for (std::int32_t i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(store.GetHr(i), 0);
    EXPECT_EQ(store.GetCad(i), 0);
  }
  store.SetSampleText(20, "x");
  EXPECT_EQ(store.Count(), 21);
}

TEST(SampleStore, ClearEmptiesEveryChannel) {
  SampleStore store;
  store.SetHr(3, 100);
  store.SetLat(4, 51.5);
  store.SetSampleText(2, "note");
  store.SetTimeOffset(7000, 7000);
  store.Clear();
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.GetHr(3), 0);
  EXPECT_EQ(store.GetLat(4), 0.0);
  EXPECT_EQ(store.GetSampleText(2), "");
}

// Each channel holds only what was written up to its own highest write; everything between and
// beyond reads as zero, in any order of writes, and a store moved from starts again with no room.
TEST(SampleStore, ChannelsWrittenOutOfStepReadZeroBetweenTheirWrites) {
  SampleStore store;
  EXPECT_TRUE(store.SetHr(4999, 150));
  EXPECT_TRUE(store.SetSpd(4000, 30.5));
  EXPECT_TRUE(store.SetSpd(10, 12.5));  // behind the channel's own highest write
  EXPECT_TRUE(store.SetSampleText(7, "seven"));
  EXPECT_TRUE(store.SetHr(5000, 151));  // grows every channel's room, written or not
  const struct {
    std::int32_t i;
    double spd;
    int hr;
    const char* text;
  } reads[] = {{0, 0, 0, ""},   {7, 0, 0, "seven"}, {10, 12.5, 0, ""}, {11, 0, 0, ""},
               {4000, 30.5, 0, ""}, {4001, 0, 0, ""}, {4999, 0, 150, ""}, {5000, 0, 151, ""}, {9999, 0, 0, ""},
               {20000, 0, 0, ""}};  // beyond the count: still zero
  for (const auto& r : reads) {
    SCOPED_TRACE(r.i);
    EXPECT_EQ(store.GetSpd(r.i), r.spd);
    EXPECT_EQ(store.GetHr(r.i), r.hr);
    EXPECT_EQ(store.GetSampleText(r.i), r.text);
    EXPECT_EQ(store.GetLat(r.i), 0.0);  // never written at all
  }

  SampleStore moved = std::move(store);
  EXPECT_EQ(moved.GetSpd(4000), 30.5);
  EXPECT_EQ(moved.Count(), 5001);
  EXPECT_EQ(store.Count(), 0);  // NOLINT: the moved-from store is defined to be empty
  EXPECT_EQ(store.GetSpd(4000), 0.0);
  EXPECT_TRUE(store.SetCad(3, 90));
  EXPECT_EQ(store.GetCad(3), 90);
}

TEST(SampleStore, RefusesIndexesOutsideItsRange) {
  SampleStore store;
  store.SetHr(5, 1);
  for (std::int32_t bad : {-1, -5000, SampleStore::MaxIndex + 1}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(store.SetHr(bad, 9));
    EXPECT_FALSE(store.SetSampleText(bad, "x"));
    EXPECT_EQ(store.Count(), 6);
  }
}

LapDataRecord Pattern(unsigned char seed) {
  LapDataRecord lap;
  unsigned char bytes[sizeof(LapDataRecord)];
  for (std::size_t k = 0; k < sizeof bytes; ++k) bytes[k] = static_cast<unsigned char>(seed + k * 7);
  std::memcpy(&lap, bytes, sizeof lap);
  return lap;
}

bool Same(const LapDataRecord& a, const LapDataRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(LapStore, KeepsByteForByteCopies) {
  static_assert(sizeof(LapDataRecord) == 106);
  LapStore laps;
  EXPECT_EQ(laps.Count(), 0);
  LapDataRecord a = Pattern(1);
  const LapDataRecord original = a;
  EXPECT_EQ(laps.Add(a), 0);
  EXPECT_EQ(laps.Add(Pattern(2)), 1);
  EXPECT_EQ(laps.Add(Pattern(3)), 2);
  a.Reserved91[0] ^= 0xFF;  // the caller's record changes after Add
  LapDataRecord out = Pattern(9);
  laps.GetLap(0, out);
  EXPECT_TRUE(Same(out, original));
  laps.SetLap(1, Pattern(5));
  laps.GetLap(1, out);
  EXPECT_TRUE(Same(out, Pattern(5)));
  laps.GetLap(2, out);
  EXPECT_TRUE(Same(out, Pattern(3)));
  laps.GetLap(0, out);
  EXPECT_TRUE(Same(out, original));
}

TEST(LapStore, IndexErrorCopiesNothing) {
  LapStore laps;
  LapDataRecord out = Pattern(4);
  EXPECT_THROW(laps.GetLap(0, out), std::out_of_range);
  laps.Add(Pattern(1));
  laps.Add(Pattern(2));
  for (std::int32_t bad : {-1, 2, 1000}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(laps.GetLap(bad, out), std::out_of_range);
    EXPECT_TRUE(Same(out, Pattern(4)));
    EXPECT_THROW(laps.SetLap(bad, Pattern(7)), std::out_of_range);
  }
  LapDataRecord check;
  laps.GetLap(0, check);
  EXPECT_TRUE(Same(check, Pattern(1)));
  laps.GetLap(1, check);
  EXPECT_TRUE(Same(check, Pattern(2)));
  EXPECT_EQ(laps.Count(), 2);
}

TEST(LapStore, ClearEmptiesTheList) {
  LapStore laps;
  for (unsigned char k = 0; k < 5; ++k) laps.Add(Pattern(k));
  laps.Clear();
  EXPECT_EQ(laps.Count(), 0);
  LapDataRecord out;
  EXPECT_THROW(laps.GetLap(0, out), std::out_of_range);
  EXPECT_EQ(laps.Add(Pattern(1)), 0);
}

}  // namespace
}  // namespace tessaly
