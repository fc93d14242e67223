// tessaly interrupted while it unpacks a .pwx.gz bomb, as a separate process: its unpacked file is
// the user's alone while it runs, and nothing of it outlives an interruption; a file a killed run
// leaves is removed by the next run, never one a live run holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tool_test_support.h"

extern char** environ;

namespace tessaly {
namespace {

namespace fs = std::filesystem;

// The files in folder and below.
std::vector<fs::path> FilesIn(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  return files;
}

// One gzip member of bytes, as gzip writes it.
std::string GzipMember(const std::string& bytes) {
  const std::string path = test::TempDir() + "/member.gz";
  gzFile f = gzopen(path.c_str(), "wb");
  gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(f);
  return test::ReadFile(path);
}

TEST(Interruption, NothingOfAnUnpackedFileOutlivesTheRunButALiveRunsFile) {
  struct Case {
    const char* name;
    int signal;
    std::size_t left;  // files in the temporary folder after the run
  };
  const Case cases[] = {{"Ctrl-C", SIGINT, 0}, {"TERM", SIGTERM, 0}, {"HUP", SIGHUP, 0}, {"killed", SIGKILL, 1}};
  // 256 MiB of spaces after the root's start, from 256 KiB: it unpacks for a while.
  std::string bomb = test::TempDir() + "/bomb.pwx.gz";
  std::string bytes = GzipMember("<pwx>");
  const std::string spaces = GzipMember(std::string(1 << 20, ' '));
  for (int k = 0; k < 256; ++k) bytes += spaces;
  test::WriteFile(bomb, bytes);
  std::string tool = TESSALY_BINARY_DIR "/bin/tessaly", command = "check";
  char* argv[] = {tool.data(), command.data(), bomb.data(), nullptr};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string temporary = test::TempDir() + "/tmp-" + std::to_string(c.signal);
    fs::create_directories(temporary);
    ASSERT_EQ(setenv("TMPDIR", temporary.c_str(), 1), 0);
    pid_t run = 0;
    ASSERT_EQ(posix_spawn(&run, argv[0], nullptr, nullptr, argv, environ), 0);
    std::vector<fs::path> files;
    for (int wait = 0; wait < 10000 && (files = FilesIn(temporary)).empty(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(files.size(), 1u);
    struct stat file {}, folder {};
    ASSERT_EQ(stat(files[0].c_str(), &file), 0);
    ASSERT_EQ(stat(files[0].parent_path().c_str(), &folder), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    kill(run, c.signal);
    int status = 0;
    ASSERT_EQ(waitpid(run, &status, 0), run);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
    EXPECT_EQ(FilesIn(temporary).size(), c.left);
    if (c.left == 0) {
      EXPECT_TRUE(fs::is_empty(temporary));
      continue;
    }
    // The next run clears what the killed one left, but not what a live run holds.
    const std::string live = files[0].parent_path() / "live.pwx";
    test::WriteFile(live, "a live run's");
    const int held = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::string small = test::TempDir() + "/small.pwx.gz";
    test::WriteFile(small, GzipMember(test::ReadFile(test::ExampleWorkout())));
    EXPECT_EQ(test::RunTessaly({"check", small}).Status, 0);
    EXPECT_EQ(FilesIn(temporary), std::vector<fs::path>{live});
    close(held);
  }
  unsetenv("TMPDIR");
}

}  // namespace
}  // namespace tessaly
