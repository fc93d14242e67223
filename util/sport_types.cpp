#include "util/sport_types.h"

#include <array>
#include <utility>

namespace tessaly {

namespace {

// Import numbering: several PWX names share a code, and some names have none.
constexpr std::array<std::pair<std::string_view, std::uint8_t>, 6> kImportTable{{
    {"Run", 2},
    {"Bike", 3},
    {"Walk", 2},
    {"Swim", 6},
    {"Mountain Bike", 4},
    {"Cross train", 5},
}};

// Export numbering: the host's own codes, a different list from the import one.
constexpr std::array<std::string_view, 8> kExportTable{
    "Bike", "Run", "Cross train", "Walk", "XC Ski", "Other", "Mountain Bike", "Swim",
};

}  // namespace

std::optional<std::uint8_t> ImportCodeOfSportText(std::string_view text) {
  for (const auto& [name, code] : kImportTable) {
    if (name == text) return code;
  }
  return std::nullopt;
}

std::string_view SportTextOfExportCode(std::uint8_t code) {
  if (code < kExportTable.size()) return kExportTable[code];
  return "Other";
}

std::optional<std::uint8_t> ExportCodeOfSportText(std::string_view text) {
  for (std::size_t code = 0; code < kExportTable.size(); ++code) {
    if (kExportTable[code] == text) return static_cast<std::uint8_t>(code);
  }
  return std::nullopt;
}

std::optional<std::string_view> SportTextOfImportCode(std::uint8_t code) {
  for (const auto& [name, imported] : kImportTable) {
    if (imported == code) return name;
  }
  return std::nullopt;
}

}  // namespace tessaly
