// Workouts compressed with gzip, as services hand them out: read through an unpacked temporary
// copy that is gone afterwards; a zip archive is sent back to be unpacked.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::ReadFile;
using test::RunTessaly;
using test::WriteFile;

void WriteGzip(const std::string& path, const std::string& bytes) {
  gzFile f = gzopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size())), static_cast<int>(bytes.size()));
  ASSERT_EQ(gzclose(f), Z_OK);
}

TEST(CompressedInput, ImportAndConvertReadAGzipFileAsThePlainOne) {
  const std::string dir = test::TempDir() + "/gzip";
  std::filesystem::create_directories(dir);
  const std::string example = test::ExampleWorkout();
  const std::string packed = dir + "/gz-ride.pwx.gz";
  WriteGzip(packed, ReadFile(example));

  const test::ToolRun json = RunTessaly({"import", packed, "--format", "json"});
  EXPECT_EQ(json.Status, 0);
  EXPECT_EQ(json.Out, RunTessaly({"import", example, "--format", "json"}).Out);
  ASSERT_EQ(RunTessaly({"convert", packed, dir + "/from-gz.pwx"}).Status, 0);
  ASSERT_EQ(RunTessaly({"convert", example, dir + "/from-plain.pwx"}).Status, 0);
  EXPECT_EQ(ReadFile(dir + "/from-gz.pwx"), ReadFile(dir + "/from-plain.pwx"));
  ASSERT_EQ(RunTessaly({"convert", "--out-dir", dir + "/batch", packed}).Status, 0);
  EXPECT_EQ(ReadFile(dir + "/batch/gz-ride.pwx"), ReadFile(dir + "/from-plain.pwx"));  // not gz-ride.pwx.pwx

  const std::string cut = dir + "/gz-cut.pwx.gz";
  WriteGzip(cut, ReadFile(example));
  WriteFile(cut, ReadFile(cut).substr(0, 200));
  const std::string broken = dir + "/gz-broken.pwx.gz";
  WriteGzip(broken, "<pwx>\n<workout>\n<sample><hr>1</hr></workout></pwx>\n");
  const std::string zip = dir + "/ride.zip";
  WriteFile(zip, std::string("PK\x03\x04", 4) + "rest of an archive");
  // Standard input too, packed or not.
  EXPECT_EQ(RunTessaly({"check", "-"}, false, ReadFile(packed)).Out, "-: 121 samples, 2 laps, start 2026-06-14T07:30:00\n");
  // Last, so that a copy it leaves is seen below (a later run would remove it as a leftover).
  const test::ToolRun check = RunTessaly({"check", packed, cut, broken, zip});
  EXPECT_EQ(check.Out,
            packed + ": 121 samples, 2 laps, start 2026-06-14T07:30:00\n" +  //
                cut + ": the file is gzip-compressed but cannot be unpacked, so it is damaged or ends early: get it "
                      "again (unexpected end of file)\n" +
                broken + ": the file is not well-formed XML, so it is damaged or no PWX file: get it again (" + broken +
                ":3:20: mismatched tag)\n" +  //
                zip + ": the file is a zip archive: unpack it first and check the .pwx files inside\n" +
                "1 of 4 files import\n");
  // No unpacked copy (PROCESS-NUMBER-gz-....pwx) of that run is left in the tool's own folder
  // (tessaly-UID, or tessaly on Windows) of the temporary folder.
  for (const auto& folder : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
    if (!folder.is_directory() || !folder.path().filename().string().starts_with("tessaly")) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      EXPECT_EQ(entry.path().filename().string().find("-gz-"), std::string::npos) << entry.path();
    }
  }
}

}  // namespace
}  // namespace tessaly
