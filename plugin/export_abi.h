// How the exported functions look from outside: stdcall on 32-bit Windows (names and ordinals come
// from tessaly.def), plain C functions elsewhere (names from tessaly.map).
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define TESSALY_CALL __stdcall
#define TESSALY_EXPORT extern "C"
// The Windows API declares its own GetVersion; tessaly.def exports this one under that name.
#define TESSALY_GETVERSION TessalyGetVersion
#else
#define TESSALY_GETVERSION GetVersion
#define TESSALY_CALL
#define TESSALY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace tessaly {

// Argument blocks of the old record setters; their contents are never read.
struct OldLogSummaryArgs { std::uint8_t bytes[72]; };
struct OldExerciseDataArgs { std::uint8_t bytes[348]; };
struct OldLapDataArgs { std::uint8_t bytes[96]; };

// One byte in the low byte of the result register: 1 true, 0 false.
using HostBool = std::uint8_t;

// The altitude threshold Initialize takes as "keep the one set before".
inline constexpr std::int32_t kKeepAHFactor = 255;

}  // namespace tessaly
