// The native plug-in library as a host meets it: loaded at run time, 40 C exports, state created
// on load and released on unload.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/export_abi.h"
#include "exercise/records.h"

namespace tessaly {
namespace {

const std::string kLibrary = std::string(TESSALY_BINARY_DIR) + "/bin/libtessaly.so";

const char* const kExportNames[] = {
    "Initialize", "GetExInterface", "GetVersion", "GetPluginType", "GetPluginDevType", "GetDeviceName",
    "GetPluginName", "GetPluginExeParam", "GetDir", "SetIniFile", "SetPluginIniFile", "GetAHFactor",
    "GetAuthor", "GetComment", "GetURL", "GetRawExtension", "ValidRawExtension", "UseOwnSetupDialog",
    "UseOwnImportDialog", "SetCVVersion", "GetDelProperty", "GetDevImpProperty", "GetPluginIcon",
    "GetExerciseNumber", "GetExerciseNumberFromRawFile", "GetExerciseNumberFromRawFileEx",
    "AnalyseExercise", "GetLogSummaryEx", "GetExerciseDatasEx", "GetLapDatasEx", "SetupExport",
    "SetLogSummary", "SetExerciseDatas", "SetLapDatas", "SetLogSummaryEx", "SetExerciseDatasEx",
    "SetLapDatasEx", "SetComment", "SetUser", "ExportDatas"};

class SharedLibrary : public testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }
  template <class F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }
  void* handle_ = nullptr;
};

TEST_F(SharedLibrary, ExportsEveryNameWithCLinkage) {
  for (const char* name : kExportNames) {
    SCOPED_TRACE(name);
    EXPECT_NE(dlsym(handle_, name), nullptr);
  }
  EXPECT_EQ(dlsym(handle_, "TessalyGetVersion"), nullptr);
  EXPECT_EQ(dlsym(handle_, "_ZN7tessaly17AttachPluginStateEv"), nullptr) << "core symbols stay inside";
}

TEST_F(SharedLibrary, StateStartsFreshAfterAnUnload) {
  auto init = Get<HostBool (*)(std::int32_t, const char*, std::uint32_t)>("Initialize");
  auto ah = Get<std::int32_t (*)()>("GetAHFactor");
  auto setComment = Get<void (*)(const char*)>("SetComment");
  auto getComment = Get<std::int32_t (*)(char*, std::uint32_t)>("GetComment");
  ASSERT_TRUE(init && ah && setComment && getComment);
  EXPECT_EQ(ah(), 2);
  init(9, "x", 0);
  setComment("hello");
  EXPECT_EQ(ah(), 9);
  EXPECT_EQ(getComment(nullptr, 0), 5);
  dlclose(handle_);
  handle_ = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle_, nullptr);
  EXPECT_EQ(Get<std::int32_t (*)()>("GetAHFactor")(), 2);
  EXPECT_EQ(Get<std::int32_t (*)(char*, std::uint32_t)>("GetComment")(nullptr, 0), 0);
}

TEST_F(SharedLibrary, IconIsA32By32TwentyFourBitBmpTheHostFrees) {
  auto icon = Get<HostBool (*)(void**)>("GetPluginIcon");
  void* image = nullptr;
  ASSERT_EQ(icon(&image), 1);
  ASSERT_NE(image, nullptr);
  const auto* b = static_cast<const unsigned char*>(image);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(b[18] | b[19] << 8, 32);
  EXPECT_EQ(b[22] | b[23] << 8, 32);
  EXPECT_EQ(b[28], 24);
  std::free(image);
  EXPECT_EQ(icon(nullptr), 0);
}

}  // namespace
}  // namespace tessaly
