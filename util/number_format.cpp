#include "util/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tessaly {

void AppendFixed(std::string& out, double v, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  // Negative values keep their "-" even when they round to zero (-0.0004 -> "-0.000"), as the
  // C library does; negative zero itself is no negative value and prints without a sign.
  const bool negative = v < 0.0;
  if (std::isnan(v)) {
    out += "nan";
    return;
  }
  if (negative) out += '-';
  if (std::isinf(v)) {
    out += "inf";
    return;
  }

  // 18 significant digits, correctly rounded: "d.ddddddddddddddddde+XX".
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 17);
  std::string digits;
  digits.reserve(18);
  const char* p = buf;
  for (; p != res.ptr && *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = 0;
  if (p != res.ptr) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);

  // digits[k] stands for 10^(exponent - k). Keep those down to 10^-decimals; the first one cut
  // decides, half up in magnitude.
  const int keep = exponent + 1 + decimals;  // how many of the digits stay
  const int total = static_cast<int>(digits.size());
  std::string kept;                          // digits from 10^max(exponent,0) down to 10^-decimals
  if (keep <= 0) {
    // Everything is cut; only a first cut digit of 5 or more (which needs keep == 0) rounds up.
    const bool up = keep == 0 && digits[0] >= '5';
    kept.assign(static_cast<std::size_t>(decimals + 1), '0');
    if (up) kept.back() = '1';
  } else {
    std::string body = digits.substr(0, static_cast<std::size_t>(keep < total ? keep : total));
    if (keep > total) body.append(static_cast<std::size_t>(keep - total), '0');
    if (keep < total && digits[static_cast<std::size_t>(keep)] >= '5') {
      std::size_t i = body.size();
      while (i > 0) {
        --i;
        if (body[i] == '9') {
          body[i] = '0';
        } else {
          ++body[i];
          break;
        }
        if (i == 0) {
          body.insert(body.begin(), '1');
          break;
        }
      }
    }
    // Leading zeros for values below one, so there is always one integer digit.
    const int intDigits = static_cast<int>(body.size()) - decimals;
    if (intDigits < 1) body.insert(0, static_cast<std::size_t>(1 - intDigits), '0');
    kept = std::move(body);
  }
  const std::size_t intLen = kept.size() - static_cast<std::size_t>(decimals);
  out.append(kept, 0, intLen);
  if (decimals > 0) {
    out += '.';
    out.append(kept, intLen, std::string::npos);
  }
}

std::string FormatFixed(double v, int decimals) {
  std::string s;
  AppendFixed(s, v, decimals);
  return s;
}

void AppendInteger(std::string& out, std::int64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

}  // namespace tessaly
