// Compiled once per case by the build's own compiler and flags: each TESSALY_CASE_* below must be
// refused at compile time, and TESSALY_CASE_WELL_FORMED must compile, so that a refusal is known to
// come from the template and not from the harness.
#include <cstdint>

#include "pwx_export/pwx_writer.h"

void WriteOneLine(tessaly::PwxLineWriter& w) {
#if defined(TESSALY_CASE_WELL_FORMED)
  w.line<"<v>%.0f %.6f %d %s</v>">(1.5, -2.0, std::int32_t{3}, "text");
#elif defined(TESSALY_CASE_UNKNOWN_PLACEHOLDER)
  w.line<"<v>%x</v>">(1);
#elif defined(TESSALY_CASE_LONE_PERCENT)
  w.line<"<v>100%</v>">();
#elif defined(TESSALY_CASE_TOO_MANY_DECIMALS)
  w.line<"<v>%.7f</v>">(1.5);
#elif defined(TESSALY_CASE_A_VALUE_SHORT)
  w.line<"<v>%d %d</v>">(1);
#elif defined(TESSALY_CASE_A_VALUE_LEFT_OVER)
  w.line<"<v>%d</v>">(1, 2);
#elif defined(TESSALY_CASE_INTEGER_FOR_A_REAL)
  w.line<"<v>%.3f</v>">(1);
#elif defined(TESSALY_CASE_REAL_FOR_AN_INTEGER)
  w.line<"<v>%d</v>">(1.5);
#elif defined(TESSALY_CASE_NUMBER_FOR_TEXT)
  w.line<"<v>%s</v>">(7);
#else
#error "no case chosen"
#endif
}
