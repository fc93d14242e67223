// Hostile paths and a full disk, on a system where they can be arranged without privileges.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "plugin/plugin_core.h"
#include "test_support.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

TEST(HostileImportPosix, DevicesAndFifosNamedLikeWorkoutsAreNotRead) {
  const std::string dir = test::TempDir();
  const std::string zero = dir + "/zero.pwx";
  const std::string fifo = dir + "/fifo.pwx";
  fs::remove(zero);
  fs::remove(fifo);
  fs::create_symlink("/dev/zero", zero);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {zero, fifo}) {
    SCOPED_TRACE(path);
    PluginState s;
    EXPECT_EQ(AnalyseExercise(s, path.c_str()), 0) << "must return at once, not read forever or block";
  }
}

// Writes beyond a small file-size limit fail as on a full disk (SIGXFSZ ignored, EFBIG returned).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

PluginState StateWithSamples(int n) {
  PluginState s;
  s.HostVersion = 700;
  s.Workout.Summary.StartTime = 42000.5;
  for (int i = 0; i < n; ++i) {
    s.Workout.Samples.SetTimeOffset(i, i);
    s.Workout.Samples.SetHr(i, 120);
  }
  return s;
}

TEST(HostileExportPosix, AFullDiskLeavesTheEarlierFileAndNoTemporaryFile) {
  const std::string dir = test::TempDir() + "/full";
  fs::create_directories(dir);
  const std::string target = dir + "/ride.pwx";
  test::WriteFile(target, "the earlier export");
  PluginState s = StateWithSamples(2000);  // a document of well over 64 KiB
  {
    FileSizeLimit limit(64 * 1024);
    EXPECT_EQ(ExportDatas(s, target.c_str()), 0);
  }
  EXPECT_EQ(test::ReadFile(target), "the earlier export");
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    ++files;
    EXPECT_EQ(entry.path().filename(), "ride.pwx") << "left behind: " << entry.path();
  }
  EXPECT_EQ(files, 1u);
  EXPECT_EQ(ExportDatas(s, target.c_str()), 1) << "with room again the export succeeds";
  EXPECT_NE(test::ReadFile(target), "the earlier export");
}

TEST(HostileExportPosix, AReadOnlyFolderOrTargetIsLeftAsItWas) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions do not stop writes (the full-disk test covers failed writes)";
  const std::string dir = test::TempDir() + "/readonly";
  fs::create_directories(dir);
  const std::string target = dir + "/ride.pwx";
  test::WriteFile(target, "kept");
  chmod(dir.c_str(), 0555);
  PluginState s = StateWithSamples(3);
  EXPECT_EQ(ExportDatas(s, target.c_str()), 0);
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(test::ReadFile(target), "kept");
}

}  // namespace
}  // namespace tessaly
