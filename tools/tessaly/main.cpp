// tessaly: a command-line host for the plug-in (tool.cpp holds the whole tool).
#include <cstdio>

#include "commands.h"

int main(int argc, char** argv) {
  using namespace tessaly::tool;
  return RunTool(argc, argv, Console{stdin, stdout, stderr, os::IsTerminal(stderr)});
}
