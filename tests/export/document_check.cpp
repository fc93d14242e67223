#include "document_check.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string_view>

#include "export_test_support.h"
#include "plugin/plugin_core.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"

namespace tessaly::test {

std::string WithoutSchemaExtensions(const std::string& doc) {
  // The writer puts each of them on a line of its own.
  constexpr std::string_view kLacking[] = {"      <pwrright>", "      <torque_effectiveness_left>",
                                           "      <torque_effectiveness_right>", "      <pedal_smoothness_left>",
                                           "      <pedal_smoothness_right>"};
  std::string out;
  out.reserve(doc.size());
  std::size_t start = 0;
  while (start < doc.size()) {
    std::size_t end = doc.find('\n', start);
    end = end == std::string::npos ? doc.size() : end + 1;
    const std::string_view line(doc.data() + start, end - start);
    bool keep = true;
    for (const std::string_view prefix : kLacking) keep = keep && line.substr(0, prefix.size()) != prefix;
    if (keep) out += line;
    start = end;
  }
  return out;
}

void ExpectReadableDocument(const std::string& doc, std::int32_t samples, std::int32_t laps) {
  static std::atomic<int> serial{0};
  const std::string path = TempDir() + "/readable-" + std::to_string(serial++) + ".pwx";
  WriteFile(path, doc);
  PluginState back;
  EXPECT_EQ(ImportPwxFile(back, path.c_str()), PwxReadOutcome::Imported) << "not well-formed, or refused";
  EXPECT_EQ(back.Workout.Samples.Count(), samples);
  EXPECT_EQ(back.Workout.Laps.Count(), laps);
  if (SchemaUnavailableReason().empty()) {
    EXPECT_EQ(SchemaProblems(doc), "");
  }
}

std::string SavedDocument(PluginState& s) {
  static std::atomic<int> serial{0};
  const std::string path = TempDir() + "/saved-" + std::to_string(serial++) + ".pwx";
  EXPECT_EQ(ExportDatas(s, path.c_str()), 1) << path;
  return ReadFile(path);
}

std::string Document(PluginState& s) {
  test::StringSink sink;
  EXPECT_TRUE(WritePwxDocument(s.Workout, kWriterNow, sink));
  const std::string doc = sink.text;
  ExpectReadableDocument(doc, s.Workout.Samples.Count(), s.Workout.Laps.Count());
  return doc;
}

}  // namespace tessaly::test
