// tessaly interrupted while it unpacks a .pwx.gz bomb, as a process of its own: its unpacked file
// is the user's alone, nothing of it outlives an interruption, and the next run removes what a
// killed run left, never what a live run holds.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "tool_test_support.h"

extern char** environ;

namespace tessaly {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) files.insert(files.end(), entry.is_regular_file(), entry);
  return files;
}

TEST(Interruption, NothingOfAnUnpackedFileOutlivesTheRunButALiveRunsFile) {
  const std::pair<int, std::size_t> cases[] = {{SIGINT, 0}, {SIGTERM, 0}, {SIGHUP, 0}, {SIGKILL, 1}};  // files left
  std::string bomb = test::TempDir() + "/bomb.pwx.gz", small = test::TempDir() + "/small.pwx.gz";
  for (const auto& [path, megabytes] : {std::pair{bomb, 256}, {small, 0}}) {
    gzFile f = gzopen(path.c_str(), "wb");
    const std::string text = megabytes == 0 ? test::ReadFile(test::ExampleWorkout()) : std::string(1 << 20, ' ');
    for (int k = 0; k < std::max(megabytes, 1); ++k) gzwrite(f, text.data(), static_cast<unsigned>(text.size()));
    gzclose(f);
  }
  std::string tool = TESSALY_BINARY_DIR "/bin/tessaly", command = "check";
  char* argv[] = {tool.data(), command.data(), bomb.data(), nullptr};
  for (const auto& [signal, left] : cases) {
    SCOPED_TRACE(signal);
    const std::string temporary = test::TempDir() + "/tmp-" + std::to_string(signal);
    fs::create_directories(temporary);
    ASSERT_EQ(setenv("TMPDIR", temporary.c_str(), 1), 0);
    pid_t run = 0;
    ASSERT_EQ(posix_spawn(&run, argv[0], nullptr, nullptr, argv, environ), 0);
    std::vector<fs::path> files;
    for (int wait = 0; wait < 10000 && (files = FilesIn(temporary)).empty(); ++wait) usleep(1000);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(fs::status(files[0]).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(files[0].parent_path()).permissions(), fs::perms(0700));
    kill(run, signal);
    int status = 0;
    ASSERT_EQ(waitpid(run, &status, 0), run);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(FilesIn(temporary).size(), left);
    EXPECT_EQ(fs::is_empty(temporary), left == 0);
    if (left == 0) continue;
    const std::string live = files[0].parent_path() / "live";  // held as a running tool holds its file
    test::WriteFile(live, "a live run's");
    test::WriteFile(live + ".pwx", "the plug-in's output beside it");
    const int held = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(test::RunTessaly({"check", small}).Status, 0);
    files = FilesIn(temporary);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<fs::path>{live, live + ".pwx"}));
    close(held);
  }
  unsetenv("TMPDIR");
}

// A reader that stops early fails the run with the system's reason, as a full disk does.
TEST(Interruption, AReaderThatStopsEarlyFailsTheRun) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  std::string args[] = {"tessaly", "convert", test::ExampleWorkout(), "-"}, said(80, '\0');
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
  std::FILE *out = fdopen(ends[1], "wb"), *err = std::tmpfile();
  EXPECT_EQ(tool::RunTool(4, argv, tool::Console{stdin, out, err, false}), 1);
  std::rewind(err);
  said.resize(std::fread(said.data(), 1, said.size(), err));
  EXPECT_EQ(said, "tessaly: cannot write the output: Broken pipe\n");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace tessaly
