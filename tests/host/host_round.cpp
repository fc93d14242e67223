#include "host_round.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host_float_state.h"
#include "test_support.h"

namespace tessaly::test {

std::unique_ptr<tool::Plugin> LoadPlugin() {
  std::string error;
  std::unique_ptr<tool::Plugin> plugin = tool::Plugin::Load(tool::os::DefaultPluginPath(), error);
  if (plugin == nullptr) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  plugin->StartSession(TempDir());
  return plugin;
}

namespace {

template <class T>
void Append(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Runs one export call and notes whether the host's state came back as it was.
template <class F>
auto Watch(HostRound& round, const char* what, F&& call) {
  const FloatSnapshot before = TakeFloatSnapshot();
  auto result = call();
  const FloatSnapshot after = TakeFloatSnapshot();
  ++round.Calls;
  if (!(after == before) && round.Disturbed++ == 0) round.FirstDisturbed = what;
  return result;
}

}  // namespace

HostRound RunHostRound(const std::string& file, const std::string& target) {
  HostRound round;
  LogSummaryRecord summary{};
  std::vector<ExerciseDataRecord> samples;
  std::vector<LapDataRecord> laps;
  std::string comment;
  {
    const auto plugin = LoadPlugin();
    if (plugin == nullptr) return round;
    const tool::PluginApi& api = plugin->api();
    round.Count = Watch(round, "AnalyseExercise", [&] { return api.AnalyseExercise(file.c_str(), 0); });
    Append(round.Imported, round.Count);
    Watch(round, "GetLogSummaryEx", [&] { return api.GetLogSummaryEx(&summary); });
    Append(round.Imported, summary);
    samples.resize(static_cast<std::size_t>(round.Count > 0 ? round.Count : 0));
    for (std::size_t i = 0; i < samples.size(); ++i) {
      std::memset(&samples[i], 0, sizeof samples[i]);
      Watch(round, "GetExerciseDatasEx", [&] { return api.GetExerciseDatasEx(static_cast<std::int32_t>(i), &samples[i]); });
      Append(round.Imported, samples[i]);
    }
    laps.resize(summary.LapCount);
    for (std::size_t j = 0; j < laps.size(); ++j) {
      std::memset(&laps[j], 0, sizeof laps[j]);
      Watch(round, "GetLapDatasEx", [&] { return api.GetLapDatasEx(static_cast<std::int32_t>(j), &laps[j]); });
      Append(round.Imported, laps[j]);
    }
    const std::int32_t length = Watch(round, "GetComment", [&] { return api.GetComment(nullptr, 0); });
    comment.assign(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    Watch(round, "GetComment", [&] { return api.GetComment(comment.data(), static_cast<std::uint32_t>(length)); });
    comment.pop_back();
    round.Imported += comment;
  }
  {
    const auto plugin = LoadPlugin();
    if (plugin == nullptr) return round;
    const tool::PluginApi& api = plugin->api();
    // A workout in the host always has a date; without one the document would carry the clock's.
    if (summary.StartTime == 0.0) summary.StartTime = 42000.5;
    Watch(round, "SetupExport", [&] { return api.SetupExport(0, 0); });
    Watch(round, "SetLogSummaryEx", [&] { return api.SetLogSummaryEx(summary); });
    for (std::size_t i = 0; i < samples.size(); ++i) {
      Watch(round, "SetExerciseDatasEx", [&] { return api.SetExerciseDatasEx(static_cast<std::int32_t>(i), samples[i]); });
    }
    for (const LapDataRecord& lap : laps) Watch(round, "SetLapDatasEx", [&] { return api.SetLapDatasEx(0, lap); });
    Watch(round, "SetComment", [&] {
      api.SetComment(comment.c_str());
      return 0;
    });
    Watch(round, "SetUser", [&] {
      api.SetUser("Host Tests");
      return 0;
    });
    const std::int32_t written =
        Watch(round, "ExportDatas", [&] { return api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0); });
    if (written == 1) round.Exported = ReadFile(target);
  }
  return round;
}

}  // namespace tessaly::test
