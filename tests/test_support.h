// Small helpers shared by the test programs.
#pragma once

#include <string>

namespace tessaly::test {

// tests/data, as seen by the running program.
std::string DataDir();
// The folder of real device-recorded PWX files, or "" when it is not there (tests then skip).
std::string PwxSamplesDir();
// The PWX 1.0 schema next to the project, or "" when it is not there (schema checks then skip).
std::string PwxSchemaPath();
// A fresh, empty temporary folder for this test program run.
std::string TempDir();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace tessaly::test
