// Runs a fuzz target once over every file of the folders given, without libFuzzer: how the test
// command replays the corpora and the past crashers on every build.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: fuzz_replay import|export DIR...\n", stderr);
    return 2;
  }
  const bool import = std::strcmp(argv[1], "import") == 0;
  std::size_t count = 0;
  for (int i = 2; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) continue;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
      if (import) tessaly::fuzz::ImportOneInput(data, bytes.size());
      else tessaly::fuzz::ExportOneInput(data, bytes.size());
      ++count;
    }
  }
  std::printf("replayed %zu inputs through the %s target\n", count, argv[1]);
  return count > 0 ? 0 : 1;
}
