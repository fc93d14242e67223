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

std::string MakeWorkoutDocument(int seconds, int segments, SampleChannels channels) {
  std::string d;
  d.reserve(static_cast<std::size_t>(seconds) * 520 + 4096);
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
  const bool lines = channels == SampleChannels::kCommon;
  const char* open = lines ? "    <sample>\n      <" : "    <sample><";
  const char* next = lines ? ">\n      <" : "><";  // between one child and the next
  const char* close = lines ? ">\n    </sample>\n" : "></sample>\n";
  auto element = [&](const char* name, auto&& value) {
    d += next;
    d += name;
    d += '>';
    value();
    d += "</";
    d += name;
  };
  double dist = 0, lat = 45.9, lon = 6.1;
  for (int t = 0; t < seconds; ++t) {
    const double spd = 8.0 + 2.0 * std::sin(t / 300.0);
    const int pwr = 150 + (t * 7) % 200;
    dist += spd;
    lat += 0.00005 * std::cos(t / 900.0);
    lon += 0.00007 * std::sin(t / 700.0);
    d += open;
    d += "timeoffset>";
    d += std::to_string(t);
    d += "</timeoffset";
    element("hr", [&] { d += std::to_string(120 + (t / 60) % 50); });
    element("spd", [&] { Append(d, spd, 3); });
    element("pwr", [&] { d += std::to_string(pwr); });
    element("cad", [&] { d += std::to_string(80 + t % 17); });
    element("dist", [&] { Append(d, dist, 1); });
    element("lat", [&] { Append(d, lat, 6); });
    element("lon", [&] { Append(d, lon, 6); });
    element("alt", [&] { Append(d, 400 + 150 * std::sin(t / 2000.0), 1); });
    const bool dense = channels == SampleChannels::kDense;
    const bool sparse = channels == SampleChannels::kSparse;
    if (dense || (sparse && t % 2 == 0)) element("temp", [&] { Append(d, 18 + 4 * std::sin(t / 5000.0), 1); });
    if (dense || (sparse && t % 3 == 0)) element("pwrright", [&] { d += std::to_string(pwr / 2 + t % 9); });
    if (dense) {
      element("torque_effectiveness_left", [&] { Append(d, 70 + t % 20, 1); });
      element("torque_effectiveness_right", [&] { Append(d, 72 + t % 18, 1); });
      element("pedal_smoothness_left", [&] { Append(d, 20 + t % 7, 1); });
      element("pedal_smoothness_right", [&] { Append(d, 21 + t % 6, 1); });
    }
    d += close;
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
