// Small helpers shared by the test programs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly::test {

// tests/data, as seen by the running program.
std::string DataDir();
// The folder of real device-recorded PWX files, or "" when it is not there (tests then skip).
std::string PwxSamplesDir();
// The PWX 1.0 schema next to the project, or "" when it is not there (schema checks then skip).
std::string PwxSchemaPath();
// A fresh, empty temporary folder for this test program run.
std::string TempDir();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Puts the process into the named zone (a TZ value) for the lifetime of the object, where that can
// be done: natively it sets TZ; a Windows build cannot change its zone from inside, so there the
// scope is active only when the program was started with TZ set to that zone.
class ZoneScope {
 public:
  explicit ZoneScope(const std::string& zone);
  ~ZoneScope();
  ZoneScope(const ZoneScope&) = delete;
  ZoneScope& operator=(const ZoneScope&) = delete;
  bool Active() const { return active_; }

 private:
  std::optional<std::string> saved_;
  bool active_ = false;
};

// Test programs that link the plug-in's core record its notices instead of showing them, so no
// test waits for a click (notice_recorder.cpp).
struct RecordedNotice {
  std::string Caption;
  std::string Text;
};
// The notices recorded since the last call, oldest first.
std::vector<RecordedNotice> TakeNotices();

}  // namespace tessaly::test
