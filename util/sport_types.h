// The two sport-type numberings: the one read from PWX text and the one written to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

// The import's code for a workout whose file names no sport the import table knows.
inline constexpr std::uint8_t kImportCodeOfUnknownSport = 1;

// The import table: the code of a text, looked up exactly and case-sensitively, whole; nullopt
// when the text has no entry.
std::optional<std::uint8_t> ImportCodeOfSportText(std::string_view text);

// The export table: the text the export writes for a code; every code without a row of its own
// gives "Other".
std::string_view SportTextOfExportCode(std::uint8_t code);

// For a host that translates between the two numberings, as the plug-in itself never does.
// The export code that writes exactly this text; nullopt for a text the export never writes.
std::optional<std::uint8_t> ExportCodeOfSportText(std::string_view text);
// The first text of the import numbering with this code ("Run" for the code Run and Walk share);
// nullopt for a code no text imports as.
std::optional<std::string_view> SportTextOfImportCode(std::uint8_t code);

}  // namespace tessaly
