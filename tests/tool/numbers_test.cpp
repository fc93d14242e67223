// Every number the tool prints in JSON and CSV reads back to the plug-in's value bit for bit, with
// no digit more than that takes (in CSV a channel measured at a float's precision, as a float); and
// export takes import's JSON back bit for bit.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <variant>

#include "printed_numbers.h"
#include "record_fields.h"
#include "tool_test_support.h"
#include "fetch_workout.h"

namespace tessaly {
namespace {

using tool::RecordField;

// The fewest significant digits that read back to v, found with printf and strtod (strtof for a
// float): an oracle apart from the to_chars the tool uses.
template <class T>
int FewestDigits(T v) {
  for (int digits = 1; digits < 17; ++digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(v));
    if ((std::is_same_v<T, float> ? std::strtof(text, nullptr) : std::strtod(text, nullptr)) == v) return digits;
  }
  return 17;
}

// Significant digits of a number's text: no sign, exponent, point, nor leading or trailing zeros.
int SignificantDigits(std::string text) {
  if (const std::size_t e = text.find_first_of("eE"); e != std::string::npos) text.resize(e);
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 1;
  return static_cast<int>(digits.find_last_not_of('0') - first + 1);
}

// Reads text as a T, which must be value and take no digit more than value needs.
template <class T>
void ExpectShortest(const std::string& text, T value) {
  T back{};
  const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
  ASSERT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size());
  EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << "reads back as another value";
  EXPECT_EQ(SignificantDigits(text), FewestDigits(value)) << "not the shortest form";
}

// The text of one field against the record the plug-in handed over; measured at a float's
// precision, a value that is a float exactly is printed as that float.
template <class Record>
void ExpectField(const Record& record, const RecordField<Record>& field, const std::string& text,
                 bool floatPrecision = false) {
  SCOPED_TRACE(std::string(field.Name) + " = " + text);
  std::visit(
      [&](auto type) {
        using T = typename decltype(type)::type;
        if constexpr (std::is_floating_point_v<T>) {
          const T value = tool::LoadField<T>(record, field.Offset);
          if (floatPrecision && static_cast<double>(static_cast<float>(value)) == value) {
            ExpectShortest(text, static_cast<float>(value));
          } else {
            ExpectShortest(text, value);
          }
        } else if constexpr (!std::is_array_v<T>) {
          EXPECT_EQ(text, std::to_string(+tool::LoadField<T>(record, field.Offset)));
        }
      },
      field.Type);
}

// Whether the field is 0 (a text empty) in the record; a blank cell is only for such a field.
template <class Record>
bool ExpectZeroOrText(const Record& record, const RecordField<Record>& field, const std::string& cell) {
  bool zero = false;
  std::visit(
      [&](auto type) {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          zero = tool::LoadField<char>(record, field.Offset) == '\0';
        } else {
          zero = tool::LoadField<T>(record, field.Offset) == T{0};
        }
      },
      field.Type);
  EXPECT_TRUE(zero || !cell.empty()) << field.Name << " is blank but not 0";
  return zero;
}

// "Name": value lines of the JSON the tool writes, one member a line, objects and lists skipped.
std::vector<std::pair<std::string, std::string>> JsonMembers(const std::string& json) {
  std::vector<std::pair<std::string, std::string>> members;
  std::istringstream lines(json);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t open = line.find('"');
    const std::size_t close = line.find("\": ", open + 1);
    if (open == std::string::npos || close == std::string::npos) continue;
    std::string value = line.substr(close + 3);
    if (!value.empty() && value.back() == ',') value.pop_back();
    if (value == "{" || value == "[" || value == "[]") continue;
    members.emplace_back(line.substr(open + 1, close - open - 1), value);
  }
  return members;
}

class DeviceNumbers : public testing::Test {
 protected:
  void SetUp() override {
    const std::string samples = test::PwxSamplesDir();
    if (samples.empty()) GTEST_SKIP() << "the shared folder of device PWX files is absent";
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
      if (entry.path().extension() == ".pwx") files_.push_back(entry.path().string());
    }
    files_.push_back(test::ExampleWorkout());
    std::string error;
    plugin_ = tool::Plugin::Load(tool::os::DefaultPluginPath(), error);
    ASSERT_TRUE(plugin_) << error;
    plugin_->StartSession(".");
  }
  tool::HostWorkout Fetch(const std::string& path) {
    tool::HostWorkout w;
    std::string error;
    EXPECT_TRUE(tool::FetchWorkout(plugin_->api(), path, w, error)) << error;
    return w;
  }
  std::vector<std::string> files_;
  std::unique_ptr<tool::Plugin> plugin_;
};

TEST_F(DeviceNumbers, JsonNumbersAreTheShortestThatReadBack) {
  for (const std::string& file : files_) {
    SCOPED_TRACE(file);
    const tool::HostWorkout w = Fetch(file);
    const test::ToolRun run = test::RunTessaly({"import", file, "--format", "json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto members = JsonMembers(run.Out);
    std::size_t at = 5;  // format, version, athlete, comment, the summary's Sport
    const auto expect = [&](const auto& fields, const auto& record) {
      for (const auto& field : fields) {
        ASSERT_LT(at, members.size());
        ASSERT_EQ(members[at].first, field.Name);
        ExpectField(record, field, members[at++].second);
      }
    };
    expect(tool::kSummaryFields, w.Summary);
    at += 3;  // SummaryAvgPower, SummaryMaxPower, Start
    for (const ExerciseDataRecord& sample : w.Samples) expect(tool::kSampleFields, sample);
    for (const LapDataRecord& lap : w.Laps) expect(tool::kLapFields, lap);
    EXPECT_EQ(at, members.size());
  }
}

TEST_F(DeviceNumbers, CsvNumbersAreTheShortestThatReadBack) {
  for (const std::string& file : files_) {
    SCOPED_TRACE(file);
    const tool::HostWorkout w = Fetch(file);
    const test::ToolRun run = test::RunTessaly({"import", file, "--format", "csv"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::istringstream lines(run.Out);
    std::string line;
    std::getline(lines, line);
    std::vector<const RecordField<ExerciseDataRecord>*> columns;  // after Index
    std::istringstream header(line);
    for (std::string name; std::getline(header, name, ',');) {
      name = name.substr(0, name.find(" ("));  // the unit after the name
      const auto* field = std::find_if(std::begin(tool::kSampleFields), std::end(tool::kSampleFields),
                                       [&](const auto& f) { return name == f.Name; });
      if (name != "Index") columns.push_back(field == std::end(tool::kSampleFields) ? nullptr : field);
    }
    EXPECT_EQ(columns.size(), std::size(tool::kSampleFields));  // every sample field has its column
    const std::vector<std::string> floatPrecision = {"Altitude", "Temperature", "TorqueEffectivenessLeft",
        "TorqueEffectivenessRight", "PedalSmoothnessLeft", "PedalSmoothnessRight"};
    std::vector<bool> blank(columns.size(), true), zero(columns.size(), true);  // in every row
    std::size_t row = 0;
    for (; std::getline(lines, line); ++row) {
      ASSERT_LT(row, w.Samples.size());
      std::istringstream cells(line);
      std::string cell;
      std::getline(cells, cell, ',');
      ASSERT_EQ(cell, std::to_string(row));
      for (std::size_t k = 0; k < columns.size(); ++k) {
        ASSERT_NE(columns[k], nullptr);
        const std::string name = columns[k]->Name;
        std::getline(cells, cell, ',');
        const bool zeroHere = ExpectZeroOrText(w.Samples[row], *columns[k], cell);
        zero[k] = zero[k] && zeroHere;
        blank[k] = blank[k] && cell.empty();
        if (!cell.empty()) {
          ExpectField(w.Samples[row], *columns[k], cell,
                      std::find(floatPrecision.begin(), floatPrecision.end(), name) != floatPrecision.end());
        }
      }
    }
    EXPECT_EQ(row, w.Samples.size());
    // A column is blank exactly when its field is 0 in every sample: a channel the workout lacks.
    for (std::size_t k = 0; k < columns.size(); ++k) {
      EXPECT_EQ(blank[k], zero[k] && row > 0 && std::string(columns[k]->Name) != "TimeOffset") << columns[k]->Name;
    }
    if (file.find("IpBike") != std::string::npos) {
      EXPECT_NE(run.Out.find(",18.2,"), std::string::npos);  // written by the device as 18.200000762939453
      EXPECT_EQ(run.Out.find("18.200000762939453"), std::string::npos);
    }
  }
}

// The export reads what the import wrote to the bit: the PWX it writes from the JSON is the PWX
// that convert writes from the records themselves.
TEST_F(DeviceNumbers, ExportReadsImportJsonBitForBit) {
  const std::string dir = test::TempDir() + "/json-round";
  std::filesystem::create_directories(dir);
  for (const std::string& file : files_) {
    SCOPED_TRACE(file);
    const std::string json = dir + "/workout.json";
    const test::ToolRun imported = test::RunTessaly({"import", file, "--format", "json"});
    ASSERT_EQ(imported.Status, 0) << imported.Err;
    test::WriteFile(json, imported.Out);
    ASSERT_EQ(test::RunTessaly({"export", json, dir + "/from-json.pwx"}).Status, 0);
    ASSERT_EQ(test::RunTessaly({"convert", file, dir + "/converted.pwx"}).Status, 0);
    EXPECT_EQ(test::ReadFile(dir + "/from-json.pwx"), test::ReadFile(dir + "/converted.pwx"));
  }
}

TEST(JsonNumberText, KeepsWhatJsonReadersWouldLose) {
  const struct {
    double Value;
    const char* Text;
  } cases[] = {{0.1, "0.1"},
               {299.0, "299"},
               {-0.0, "-0.0"},
               {1e22, "1e+22"},
               {11.826733319999999, "11.826733319999999"},
               {std::numeric_limits<double>::quiet_NaN(), "null"},
               {-std::numeric_limits<double>::infinity(), "null"}};
  for (const auto& c : cases) EXPECT_EQ(tool::JsonNumberText(c.Value), c.Text);
}

}  // namespace
}  // namespace tessaly
