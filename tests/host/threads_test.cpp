// Several host threads at once: one imports again and again while two read and set samples. Every
// call takes its turn, so nothing crashes and every record read back is whole.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host_round.h"
#include "test_support.h"

namespace tessaly {
namespace {

constexpr std::int32_t kSamples = 1500;

std::string Workout() {
  std::string doc = "<pwx><workout><time>2016-05-24T07:30:00</time>";
  doc += "<segment><summarydata><beginning>0</beginning><duration>700</duration></summarydata></segment>";
  doc += "<segment><summarydata><beginning>700</beginning><duration>800</duration></summarydata></segment>";
  for (std::int32_t i = 0; i < kSamples; ++i) {
    const std::string n = std::to_string(i);
    doc += "<sample><timeoffset>" + n + "</timeoffset><hr>" + std::to_string(90 + i % 90) + "</hr><spd>" +
           std::to_string(3 + i % 7) + ".25</spd><pwr>" + std::to_string(100 + i % 200) + "</pwr><lat>50." +
           std::to_string(100000 + i * 3) + "</lat><lon>8." + std::to_string(200000 + i * 2) + "</lon><alt>" +
           std::to_string(100 + i % 40) + "</alt></sample>";
  }
  return doc + "</workout></pwx>";
}

// Sample i as a setter thread writes it: the imported record with a tag in three of its fields
// and its text, so that a record mixing two writes shows.
ExerciseDataRecord Tagged(const ExerciseDataRecord& imported, std::int32_t tag) {
  ExerciseDataRecord r = imported;
  r.Distance = tag + 0.5;
  r.Speed = tag + 0.5;
  r.Power = tag + 0.5;
  r.Cadence = static_cast<std::uint8_t>(tag);
  std::memset(r.SampleText, 0, sizeof r.SampleText);
  const std::string text = "set " + std::to_string(tag);
  std::memcpy(r.SampleText, text.data(), text.size());
  return r;
}

// The record is the imported one or one a setter wrote, byte for byte.
bool Whole(const ExerciseDataRecord& got, const ExerciseDataRecord& imported) {
  if (std::memcmp(&got, &imported, sizeof got) == 0) return true;
  const double d = got.Distance;
  if (!(d >= 0.5 && d < 1e9)) return false;
  const ExerciseDataRecord tagged = Tagged(imported, static_cast<std::int32_t>(d));
  return std::memcmp(&got, &tagged, sizeof got) == 0;
}

TEST(HostThreads, OneImportsWhileTwoReadAndSetSamples) {
  const std::string path = test::TempDir() + "/threads.pwx";
  test::WriteFile(path, Workout());
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();

  ASSERT_EQ(api.AnalyseExercise(path.c_str(), 0), kSamples);
  std::vector<ExerciseDataRecord> imported(kSamples);
  for (std::int32_t i = 0; i < kSamples; ++i) {
    std::memset(&imported[static_cast<std::size_t>(i)], 0, sizeof(ExerciseDataRecord));
    ASSERT_EQ(api.GetExerciseDatasEx(i, &imported[static_cast<std::size_t>(i)]), 1);
  }
  LogSummaryRecord summary{};
  ASSERT_EQ(api.GetLogSummaryEx(&summary), 1);
  ASSERT_EQ(summary.LapCount, 2);
  LapDataRecord laps[2]{};
  for (std::int32_t j = 0; j < 2; ++j) api.GetLapDatasEx(j, &laps[j]);

  std::atomic<bool> stop{false};
  std::atomic<int> imports{0}, badImports{0}, reads{0}, sets{0}, torn{0};
  const auto started = std::chrono::steady_clock::now();
  // Until each thread has made 200 calls, or for 10 seconds.
  const auto done = [&] {
    return (imports >= 200 && reads >= 200 && sets >= 200) ||
           std::chrono::steady_clock::now() - started > std::chrono::seconds(10);
  };
  std::thread importer([&] {
    while (!stop) {
      if (api.AnalyseExercise(path.c_str(), 0) != kSamples) ++badImports;
      ++imports;
      if (done()) stop = true;
      std::this_thread::yield();  // a host does something else between two imports
    }
  });
  std::thread reader([&] {
    for (std::uint32_t k = 0; !stop; ++k) {
      const std::int32_t i = static_cast<std::int32_t>((k * 7919u) % kSamples);
      ExerciseDataRecord got;
      std::memset(&got, 0, sizeof got);
      if (api.GetExerciseDatasEx(i, &got) == 1 && !Whole(got, imported[static_cast<std::size_t>(i)])) ++torn;
      LogSummaryRecord s{};
      if (api.GetLogSummaryEx(&s) == 1 && std::memcmp(&s, &summary, sizeof s) != 0) ++torn;
      LapDataRecord lap{};
      api.GetLapDatasEx(static_cast<std::int32_t>(k % 2), &lap);
      if (std::memcmp(&lap, &laps[k % 2], sizeof lap) != 0) ++torn;
      ++reads;
    }
  });
  std::thread setter([&] {
    for (std::int32_t tag = 1; !stop; ++tag) {
      const std::int32_t i = (tag * 31) % kSamples;
      const ExerciseDataRecord& base = imported[static_cast<std::size_t>(i)];
      api.SetExerciseDatasEx(i, Tagged(base, tag));
      ExerciseDataRecord got;
      std::memset(&got, 0, sizeof got);
      if (api.GetExerciseDatasEx(i, &got) == 1 && !Whole(got, base)) ++torn;
      ++sets;
    }
  });
  importer.join();
  reader.join();
  setter.join();

  std::printf("%d imports, %d reads, %d sets in %lld ms\n", imports.load(), reads.load(), sets.load(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - started).count()));
  EXPECT_EQ(badImports.load(), 0);
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GE(imports.load(), 1);
  EXPECT_GT(reads.load(), 0);
  EXPECT_GT(sets.load(), 0);
}

}  // namespace
}  // namespace tessaly
