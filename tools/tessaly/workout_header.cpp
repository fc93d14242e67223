#include "workout_header.h"

#include <optional>

#include "pwx_import/workout_stream.h"
#include "util/ascii.h"
#include "util/sport_types.h"

namespace tessaly::tool {
namespace {

// Builds only `sportType` and `athlete`, and notes a `time`; the samples are skipped unbuilt.
class HeaderWalk final : public xml::WorkoutVisitor {
 public:
  explicit HeaderWalk(WorkoutHeader& header) : header_(header) {}

  xml::ChildReading Open(const char* name) override {
    if (xml::NameIs(name, "time")) header_.HasTime = true;
    const bool read = xml::NameIs(name, "sporttype") || xml::NameIs(name, "athlete");
    return read ? xml::ChildReading::Tree : xml::ChildReading::Skip;
  }
  bool Visit(const xml::Node& element) override {
    if (xml::NameIs(element.Name(), "sporttype")) {
      // The text exactly as the plug-in looks it up.
      header_.SportTexts.emplace_back(element.Text());
      return true;
    }
    for (const xml::Node& child : element.Children()) {
      if (header_.Athlete.empty() && child.IsElement() && xml::NameIs(child.Name(), "name"))
        header_.Athlete = Trimmed(child.Text());
    }
    return true;
  }
  void Field(const char*, std::string_view) override {}
  bool Close() override { return true; }

 private:
  WorkoutHeader& header_;
};

}  // namespace

void ReadWorkoutHeader(const std::string& path, WorkoutHeader& header) {
  header = WorkoutHeader{};
  HeaderWalk walk(header);
  xml::ReadWorkoutFile(path.c_str(), walk);
}

std::string_view ImportedSport(std::uint8_t importedCode, const std::vector<std::string>& sportTexts) {
  // The export's own storage for a text it writes.
  const auto written = [](std::string_view text) { return SportTextOfExportCode(*ExportCodeOfSportText(text)); };
  // A code without a row of its own: the export's name for every sport it has no other name for.
  const std::string_view other = SportTextOfExportCode(0xFF);
  // The plug-in keeps the code of the last text it knows.
  const std::string* known = nullptr;
  for (auto text = sportTexts.rbegin(); text != sportTexts.rend() && known == nullptr; ++text) {
    if (ImportCodeOfSportText(*text)) known = &*text;
  }
  if (known != nullptr && ImportCodeOfSportText(*known) == importedCode) return written(*known);
  // No text it knows leaves the code it starts from; the last text stays as written when the
  // export can write it (XC Ski, Other).
  if (known == nullptr && importedCode == kImportCodeOfUnknownSport) {
    return !sportTexts.empty() && ExportCodeOfSportText(sportTexts.back()) ? written(sportTexts.back()) : other;
  }
  // Texts that do not explain the code: the code alone.
  const std::optional<std::string_view> text = SportTextOfImportCode(importedCode);
  return text ? written(*text) : other;
}

}  // namespace tessaly::tool
