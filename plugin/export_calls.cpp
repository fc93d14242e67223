#include "platform/file_save.h"
#include "plugin/plugin_core.h"
#include "pwx_export/pwx_writer.h"

namespace tessaly {
namespace {

class FileSink final : public PwxSink {
 public:
  explicit FileSink(platform::FileReplacement& file) : file_(file) {}
  bool Write(std::string_view piece) override { return file_.Write(piece); }

 private:
  platform::FileReplacement& file_;
};

}  // namespace

// 1 only once the whole file is saved; a refused host, an empty target, a folder or a file that
// cannot be written give 0, and an existing file at the target is then left as it was.
std::int32_t ExportDatas(PluginState& state, const char* target, int* systemError) {
  if (systemError != nullptr) *systemError = 0;
  if (!PassesVersionGate(state)) return 0;
  // A target that names a folder (a trailing separator) is refused, as a plain write would be.
  const std::string path = PwxTargetPath(HostText(target));
  if (path.empty()) return 0;
  // Written to the file piece by piece as the lines are made: a long workout's text is never
  // held whole, and the memory an export needs does not grow with the workout.
  platform::FileReplacement file(path);
  FileSink sink(file);
  const platform::SaveResult saved =
      WritePwxDocument(state.Workout, LocalNow(), sink) ? file.Commit() : file.Failure();
  if (saved.Outcome == platform::SaveOutcome::Saved) return 1;
  if (systemError != nullptr) *systemError = saved.SystemError;
  return 0;
}

}  // namespace tessaly
