#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <ctime>

namespace tessaly::test {

std::string DataDir() {
  if (const char* dir = std::getenv("TESSALY_TEST_DATA_DIR")) return dir;
  return TESSALY_TEST_DATA_DIR;
}

std::string PwxSamplesDir() {
  std::string dir = TESSALY_PWX_SAMPLES_DIR;
  if (const char* env = std::getenv("TESSALY_PWX_SAMPLES_DIR")) dir = env;
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : std::string();
}

std::string PwxSchemaPath() {
  std::string path = TESSALY_PWX_SCHEMA;
  if (const char* env = std::getenv("TESSALY_PWX_SCHEMA")) path = env;
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) ? path : std::string();
}

namespace {

// The test program's scratch folder, removed with everything in it when the program ends.
struct ScratchFolder {
  std::filesystem::path path;
  ScratchFolder() {
    std::random_device rd;
    path = std::filesystem::temp_directory_path() /
           ("tessaly-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

std::string TempDir() {
  static const ScratchFolder folder;
  return folder.path.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

ZoneScope::ZoneScope(const std::string& zone) {
#ifdef _WIN32
  const char* current = std::getenv("TZ");
  active_ = current != nullptr && zone == current;
#else
  const char* old = std::getenv("TZ");
  if (old != nullptr) saved_ = old;
  setenv("TZ", zone.c_str(), 1);
  tzset();
  active_ = true;
#endif
}

ZoneScope::~ZoneScope() {
#ifndef _WIN32
  if (saved_) setenv("TZ", saved_->c_str(), 1); else unsetenv("TZ");
  tzset();
#endif
}

}  // namespace tessaly::test
