// Fuzz targets shared by the libFuzzer programs and the replay programs that CI runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::fuzz {

// Arbitrary bytes as a PWX file through AnalyseExercise and every getter.
void ImportOneInput(const std::uint8_t* data, std::size_t size);
// Arbitrary records and texts through the setters and ExportDatas; the document must import back
// with the same samples and laps.
void ExportOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace tessaly::fuzz
