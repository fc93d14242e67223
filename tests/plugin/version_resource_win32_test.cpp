// What Windows shows under Properties > Details for the built tessaly.dll and tessaly.exe, read back
// the way Explorer reads it, and the marks of a reproducible build in the same files.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace tessaly {
namespace {

const std::string kBinDir = std::string(TESSALY_BINARY_DIR) + "/bin/";

class VersionInfo {
 public:
  explicit VersionInfo(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return;
    block_.resize(size);
    loaded_ = GetFileVersionInfoA(path.c_str(), 0, size, block_.data()) != 0;
  }
  bool Loaded() const { return loaded_; }

  VS_FIXEDFILEINFO Fixed() {
    VS_FIXEDFILEINFO fixed{};
    void* data = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block_.data(), "\\", &data, &length) && length >= sizeof fixed) {
      std::memcpy(&fixed, data, sizeof fixed);
    }
    return fixed;
  }

  // A value of the US English, code page 1252 string table; "<absent>" when there is none.
  std::string Text(const std::string& name) {
    void* data = nullptr;
    UINT length = 0;
    const std::string key = "\\StringFileInfo\\040904E4\\" + name;
    if (!VerQueryValueA(block_.data(), key.c_str(), &data, &length)) return "<absent>";
    return std::string(static_cast<const char*>(data));
  }

  // The first language and code page pair of the translation table, as language << 16 | page.
  std::uint32_t Translation() {
    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", &data, &length) || length < 4) return 0;
    WORD pair[2];
    std::memcpy(pair, data, sizeof pair);
    return static_cast<std::uint32_t>(pair[0]) << 16 | pair[1];
  }

 private:
  std::vector<char> block_;
  bool loaded_ = false;
};

struct FileCase {
  const char* file;
  DWORD fileType;
  const char* description;
};

const FileCase kFiles[] = {
    {"tessaly.dll", VFT_DLL, "Tessaly PWX import/export plug-in"},
    {"tessaly.exe", VFT_APP, "Tessaly command-line host for the PWX plug-in"},
};

TEST(VersionResource, EachFieldOfBothFiles) {
  for (const FileCase& c : kFiles) {
    SCOPED_TRACE(c.file);
    VersionInfo info(kBinDir + c.file);
    ASSERT_TRUE(info.Loaded()) << "no version resource";
    const VS_FIXEDFILEINFO fixed = info.Fixed();
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00070000u);  // 7.0
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000000u);  // .0.0
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00070000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);  // neither debug nor pre-release
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, c.fileType);

    EXPECT_EQ(info.Text("FileVersion"), "7.0.0.0");
    EXPECT_EQ(info.Text("ProductVersion"), "7.0");
    EXPECT_EQ(info.Text("FileDescription"), c.description);
    EXPECT_EQ(info.Text("ProductName"), "Tessaly");
    EXPECT_EQ(info.Text("OriginalFilename"), c.file);
    EXPECT_EQ(info.Text("InternalName"), "tessaly");
    EXPECT_EQ(info.Text("LegalCopyright"), "Copyright (c) 2026 The Tessaly authors");
    EXPECT_EQ(info.Translation(), 0x040904E4u);  // US English, code page 1252
  }
}

TEST(VersionResource, MatchesWhatGetVersionAnswersTheHost) {
  VersionInfo info(kBinDir + "tessaly.dll");
  ASSERT_TRUE(info.Loaded());
  const VS_FIXEDFILEINFO fixed = info.Fixed();
  HMODULE plugin = LoadLibraryA((kBinDir + "tessaly.dll").c_str());
  ASSERT_NE(plugin, nullptr);
  using GetVersionFn = std::int32_t(__stdcall*)();
  const auto getVersion = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "GetVersion")));
  ASSERT_NE(getVersion, nullptr);
  const std::int32_t answered = getVersion();
  EXPECT_EQ(answered, 700);
  EXPECT_EQ(answered, static_cast<std::int32_t>(HIWORD(fixed.dwFileVersionMS) * 100 + LOWORD(fixed.dwFileVersionMS)));
  FreeLibrary(plugin);
}

std::uint32_t ReadU32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Two builds of one commit must give the same bytes: no link date in the PE header, and neither
// the source folder nor the build folder anywhere in the file.
TEST(ReproducibleBuild, NoLinkDateAndNoBuildFolders) {
  std::string sourceRoot(TESSALY_TEST_DATA_DIR);  // Z:<root>/tests/data
  sourceRoot = sourceRoot.substr(2, sourceRoot.size() - 2 - std::strlen("/tests/data"));
  const std::string buildDir = std::string(TESSALY_BINARY_DIR).substr(2);
  ASSERT_GT(sourceRoot.size(), 1u);
  for (const char* file : {"tessaly.dll", "tessaly.exe"}) {
    SCOPED_TRACE(file);
    const std::string bytes = test::ReadFile(kBinDir + file);
    const std::uint32_t pe = ReadU32(bytes, 0x3C);
    ASSERT_EQ(ReadU32(bytes, pe), 0x00004550u) << "no PE signature";
    EXPECT_EQ(ReadU32(bytes, pe + 8), 0u) << "link timestamp";  // IMAGE_FILE_HEADER.TimeDateStamp
    EXPECT_EQ(bytes.find(sourceRoot), std::string::npos) << sourceRoot;
    EXPECT_EQ(bytes.find(buildDir), std::string::npos) << buildDir;
  }
}

}  // namespace
}  // namespace tessaly
