#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/fuzz_targets.h"
#include "plugin/plugin_core.h"
#include "pwx_import/document_reader.h"
#include "util/conversions.h"

namespace tessaly::fuzz {

void ExportOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string target = ScratchPath("export.pwx");
  Bytes in(data, size);
  auto writer = std::make_unique<PluginState>();
  writer->HostVersion = 700;
  LogSummaryRecord summary;
  in.Take(&summary, sizeof(summary));
  // A start outside the calendar (years 1 to 9999) fails the export by design; keep to dates.
  const double start = summary.StartTime;
  if (!(start > -693594.0 && start < 2958466.0)) summary.StartTime = 42000.5;
  SetLogSummaryEx(*writer, summary);
  const std::size_t samples = in.Byte() % 64;
  std::vector<ExerciseDataRecord> sent(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    ExerciseDataRecord& r = sent[i];
    std::memset(&r, 0, sizeof(r));
    // Numbers and a short text; the rest of the record stays zero to keep inputs small.
    in.Take(&r, 74);
    const std::string text = in.Text(16);
    std::memcpy(r.SampleText, text.data(), text.size());
    in.Take(&r.TimeOffset, 5);
    in.Take(&r.TorqueEffectivenessLeft, 32);
    if (!SetExerciseDatasEx(*writer, static_cast<std::int32_t>(i), r)) std::abort();
  }
  const std::size_t laps = in.Byte() % 8;
  for (std::size_t j = 0; j < laps; ++j) {
    LapDataRecord lap;
    in.Take(&lap, sizeof(lap));
    SetLapDatasEx(*writer, lap);
  }
  writer->Workout.Comment = in.Text(200);
  writer->Workout.UserName = in.Text(60);
  if (ExportDatas(*writer, target.c_str()) != 1) std::abort();

  // Whatever went in, the document must be well-formed XML that this plug-in reads back whole.
  auto reader = std::make_unique<PluginState>();
  if (ImportPwxFile(*reader, target.c_str()) != PwxReadOutcome::Imported) std::abort();
  const SampleStore& back = reader->Workout.Samples;
  if (back.Count() != static_cast<std::int32_t>(samples)) std::abort();
  if (reader->Workout.Laps.Count() != static_cast<std::int32_t>(laps)) std::abort();
  for (std::size_t i = 0; i < samples; ++i) {
    const auto index = static_cast<std::int32_t>(i);
    const ExerciseDataRecord& r = sent[i];
    if (back.GetTimeOffset(index) != r.TimeOffset) std::abort();
    if (back.GetHr(index) != r.HeartRate) std::abort();
    if (back.GetCad(index) != r.Cadence) std::abort();
    // A sample without a position gains none.
    if (r.Latitude == 0.0 && r.Longitude == 0.0 && (back.GetLat(index) != 0.0 || back.GetLon(index) != 0.0)) {
      std::abort();
    }
    // The left share comes back within half a watt of rounding, 50 / P points, and the reader's
    // own rounding, at any power a pedal can give.
    const double p = back.GetPwr(index);
    const double balance = r.PowerBalance;
    if (p >= 20.0 && p <= 100000.0 && std::isfinite(balance) && balance > 0.0) {
      const std::int32_t right = PedalBalanceToRightShare(balance);
      if (right >= 1 && right <= 99 && std::fabs(back.GetPwrRight(index) - (100 - right)) > 50.0 / p + 0.5 + 1e-9) {
        std::abort();
      }
    }
  }
  std::remove(target.c_str());
}

}  // namespace tessaly::fuzz
