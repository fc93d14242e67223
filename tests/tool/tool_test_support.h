// The tessaly tool run in process, as its main() runs it, with the plug-in beside the test program.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "test_support.h"

namespace tessaly::test {

struct ToolRun {
  int Status;
  std::string Out;
  std::string Err;
};

// tessaly ARGS..., given input on standard input, its output and messages caught in files of the
// scratch folder (the output in outPath instead when one is given, and not read back).
inline ToolRun RunTessaly(std::vector<std::string> args, bool errIsTerminal = false, const std::string& input = "",
                          std::string outPath = "") {
  static int runs = 0;
  const std::string stem = TempDir() + "/run" + std::to_string(++runs);
  WriteFile(stem + ".in", input);
  const bool caught = outPath.empty();
  if (caught) outPath = stem + ".out";
  std::FILE* in = std::fopen((stem + ".in").c_str(), "rb");
  std::FILE* out = std::fopen(outPath.c_str(), "wb");
  std::FILE* err = std::fopen((stem + ".err").c_str(), "wb");
  args.insert(args.begin(), "tessaly");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int status =
      tool::RunTool(static_cast<int>(args.size()), argv.data(), tool::Console{in, out, err, errIsTerminal});
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return {status, caught ? ReadFile(outPath) : "", ReadFile(stem + ".err")};
}

// The example workout of the project.
inline std::string ExampleWorkout() { return DataDir() + "/../../examples/morning-ride.pwx"; }

}  // namespace tessaly::test
