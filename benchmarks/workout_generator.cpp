#include "benchmarks/workout_generator.h"

#include <expat.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace tessaly::bench {
namespace {

void Append(std::string& out, double v, int decimals) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, decimals);
  out.append(buffer, r.ptr);
}

}  // namespace

std::string MakeWorkoutDocument(int seconds, int segments) {
  std::string d;
  d.reserve(static_cast<std::size_t>(seconds) * 330 + 4096);
  d += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<pwx xmlns=\"http://www.peaksware.com/PWX/1/0\" version=\"1.0\">\n"
       "  <workout>\n    <sportType>Bike</sportType>\n    <cmt>Benchmark ride</cmt>\n"
       "    <time>2026-06-01T06:00:00</time>\n    <summarydata>\n      <beginning>0</beginning>\n"
       "      <duration>";
  d += std::to_string(seconds);
  d += "</duration>\n      <hr max=\"171\" min=\"90\" avg=\"138\"/>\n"
       "      <pwr max=\"640\" min=\"0\" avg=\"212.4\"/>\n    </summarydata>\n";
  const int lap = seconds / (segments > 0 ? segments : 1);
  for (int s = 0; s < segments; ++s) {
    d += "    <segment>\n      <name>Lap ";
    d += std::to_string(s + 1);
    d += "</name>\n      <summarydata>\n        <beginning>";
    d += std::to_string(s * lap);
    d += "</beginning>\n        <duration>";
    d += std::to_string(lap);
    d += "</duration>\n      </summarydata>\n    </segment>\n";
  }
  double dist = 0, lat = 45.9, lon = 6.1;
  for (int t = 0; t < seconds; ++t) {
    const double spd = 8.0 + 2.0 * std::sin(t / 300.0);
    dist += spd;
    lat += 0.00005 * std::cos(t / 900.0);
    lon += 0.00007 * std::sin(t / 700.0);
    d += "    <sample>\n      <timeoffset>";
    d += std::to_string(t);
    d += "</timeoffset>\n      <hr>";
    d += std::to_string(120 + (t / 60) % 50);
    d += "</hr>\n      <spd>";
    Append(d, spd, 3);
    d += "</spd>\n      <pwr>";
    d += std::to_string(150 + (t * 7) % 200);
    d += "</pwr>\n      <cad>";
    d += std::to_string(80 + t % 17);
    d += "</cad>\n      <dist>";
    Append(d, dist, 1);
    d += "</dist>\n      <lat>";
    Append(d, lat, 6);
    d += "</lat>\n      <lon>";
    Append(d, lon, 6);
    d += "</lon>\n      <alt>";
    Append(d, 400 + 150 * std::sin(t / 2000.0), 1);
    d += "</alt>\n    </sample>\n";
  }
  d += "  </workout>\n</pwx>\n";
  return d;
}

bool ParseWithEmptyHandlers(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetElementHandler(parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
  XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
  std::vector<char> chunk(1 << 16);
  std::size_t n;
  bool ok = true;
  while (ok && (n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) {
    ok = XML_Parse(parser, chunk.data(), static_cast<int>(n), 0) == XML_STATUS_OK;
  }
  ok = ok && XML_Parse(parser, nullptr, 0, 1) == XML_STATUS_OK;
  std::fclose(f);
  XML_ParserFree(parser);
  return ok;
}

const std::string& DayWorkoutPath() {
  struct File {
    std::string path;
    File() {
      const auto p = std::filesystem::temp_directory_path() /
                     ("tessaly-bench-24h-" + std::to_string(getpid()) + ".pwx");
      std::ofstream(p, std::ios::binary) << MakeWorkoutDocument(kDaySeconds, kDaySegments);
      path = p.string();
    }
    ~File() {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  };
  static const File file;
  return file.path;
}

}  // namespace tessaly::bench
