// Exports that cannot be done as asked, seen as the host sees them: the export answers 0 and an
// earlier file at the target stays as it was; and the targets a plain write would handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "file_holder.h"
#include "host_round.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(HostileExport, AnImpossibleStartTimeAnswersZeroAndLeavesTheTarget) {
  const std::string target = test::TempDir() + "/keep.pwx";
  test::WriteFile(target, "earlier export");
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();
  // Far past year 9999, before year 1, and 3,000,000 days (about year 10113).
  for (double start : {1e300, -1e9, 3e6}) {
    SCOPED_TRACE(start);
    LogSummaryRecord summary{};
    summary.StartTime = start;
    summary.Duration = 60;
    ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
    EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 0);
    EXPECT_EQ(test::ReadFile(target), "earlier export");
  }
  // The same plug-in still exports once the start is possible again.
  LogSummaryRecord summary{};
  summary.StartTime = 42514.5;  // 2016-05-24 12:00
  ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
  EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 1);
  EXPECT_NE(test::ReadFile(target).find("<time>2016-05-24T12:00:00</time>"), std::string::npos);
}

namespace fs = std::filesystem;

// How a case's folder is laid out before the export; most hold an earlier ride.pwx of mode 0666.
enum class Layout { Nothing, Earlier, ReadOnly, Link, HardLink, Folder, Frozen, Stale, Held, Deep };

struct SaveCase {
  const char* name;
  Layout layout;
  const char* detail;   // Held: the sharing allowed; Deep: the folder's length in characters
  const char* target;   // as the host names it, inside the case's folder
  int native, windows;  // the export's answer; -1 where the case cannot be laid out
  const char* checked;  // the file that then holds the export (answer 1) or the earlier bytes
  unsigned mode;        // its permission bits afterwards as the standard library tells them; 0: any
  std::set<std::string> entries;  // everything in the folder afterwards
};

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// Read through the wide path functions, which take any length.
std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file a save cut short left behind, written hours_ago.
void Leftover(const std::string& path, int hours_ago) {
  test::WriteFile(path, "cut short");
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(hours_ago));
}

TEST(HostileExport, EveryTargetIsWrittenAsAPlainWriteWouldOrRefusedWithNothingLeft) {
  const std::string earlier(4096, 'e');  // longer than the export, so a copy must cut it
  const std::string kOld = ".tessaly-0123456789ab.tmp", kYoung = ".tessaly-ba9876543210.tmp";
  const SaveCase cases[] = {
      {"new file", Layout::Nothing, "", "ride.tmp", 1, 1, "ride.pwx", 0, {"ride.pwx"}},
      {"replaced, mode kept", Layout::Earlier, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"read-only", Layout::ReadOnly, "", "ride.pwx", 0, 0, "ride.pwx", 0444, {"ride.pwx"}},
      {"a link", Layout::Link, "", "link.pwx", 1, -1, "ride.pwx", 0666, {"link.pwx", "ride.pwx"}},
      {"a second name", Layout::HardLink, "", "ride.pwx", 1, 1, "other.pwx", 0666, {"other.pwx", "ride.pwx"}},
      {"a folder", Layout::Folder, "", "dir.pwx", 0, 0, "", 0, {"dir.pwx"}},
      {"trailing separator", Layout::Folder, "", "dir.pwx/", 0, 0, "", 0, {"dir.pwx"}},
      {"missing folder", Layout::Nothing, "", "missing/ride.pwx", 0, 0, "", 0, {}},
      {"folder takes no file", Layout::Frozen, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"leftovers", Layout::Stale, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx", kYoung, "x" + kOld}},
      {"held, no sharing", Layout::Held, "-", "ride.pwx", 1, 0, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read", Layout::Held, "r", "ride.pwx", 1, 0, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read write", Layout::Held, "rw", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read write delete", Layout::Held, "rwd", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"folder of 251", Layout::Deep, "251", "ride.pwx", 1, 1, "ride.pwx", 0, {"ride.pwx"}},
      {"folder of 257", Layout::Deep, "257", "ride.pwx", 1, 1, "ride.pwx", 0, {"ride.pwx"}},
  };
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();
  LogSummaryRecord summary{};
  summary.StartTime = 42514.5;  // 2016-05-24 12:00
  ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
  int index = 0;
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int expected = test::kSharingBinds ? c.windows : c.native;
    if (expected == -1) continue;
    std::string folder = test::TempDir() + "/save" + std::to_string(index++);
    for (std::size_t length = c.layout == Layout::Deep ? std::stoul(c.detail) : 0; folder.size() < length;) {
      std::size_t part = std::min<std::size_t>(length - folder.size() - 1, 100);
      if (length - folder.size() - 1 - part == 1) --part;  // never a last part of nothing
      folder += "/" + std::string(part, 'd');
    }
    fs::create_directories(folder);
    const std::string ride = folder + "/ride.pwx";
    if (c.layout != Layout::Nothing && c.layout != Layout::Folder && c.layout != Layout::Deep) {
      test::WriteFile(ride, earlier);
      fs::permissions(ride, fs::perms(c.layout == Layout::ReadOnly ? 0444 : 0666));
    }
    if (c.layout == Layout::Link) fs::create_symlink("ride.pwx", folder + "/link.pwx");
    if (c.layout == Layout::HardLink) fs::create_hard_link(ride, folder + "/other.pwx");
    if (c.layout == Layout::Folder) fs::create_directory(folder + "/dir.pwx");
    if (c.layout == Layout::Frozen) test::FreezeFolder(folder, true);
    if (c.layout == Layout::Stale) {
      Leftover(folder + "/" + kOld, 25);
      Leftover(folder + "/" + kYoung, 23);
      Leftover(folder + "/x" + kOld, 25);  // not a name of ours
    }
    const auto holder = c.layout == Layout::Held ? std::make_unique<test::FileHolder>(ride, c.detail) : nullptr;
    EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, (folder + "/" + c.target).c_str(), 0), expected);
    if (c.layout == Layout::Frozen) test::FreezeFolder(folder, false);
    if (*c.checked != '\0') {
      const fs::path checked = fs::path(folder) / c.checked;
      const std::string bytes = Bytes(checked);
      if (expected == 1) {
        EXPECT_TRUE(bytes.ends_with("</pwx>\r\n")) << bytes.size();
        EXPECT_NE(bytes.find("<time>2016-05-24T12:00:00</time>"), std::string::npos);
      } else {
        EXPECT_EQ(bytes, earlier);
      }
      if (c.mode != 0) {
        EXPECT_EQ(static_cast<unsigned>(fs::status(checked).permissions()) & 0777, c.mode);
      }
    }
    EXPECT_EQ(Entries(folder), c.entries);
    if (c.layout == Layout::ReadOnly) fs::permissions(ride, fs::perms::owner_write, fs::perm_options::add);
  }
}

}  // namespace
}  // namespace tessaly
