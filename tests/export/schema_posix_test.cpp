// Written documents against the PWX 1.0 schema, with xmllint.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "document_check.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"

namespace tessaly::test {

std::string SchemaUnavailableReason() {
  static const std::string reason = []() -> std::string {
    if (PwxSchemaPath().empty()) return "no PWX 1.0 schema next to the project (../shared/schema)";
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) return "no xmllint on this system (Debian libxml2-utils)";
    return "";
  }();
  return reason;
}

std::string SchemaProblems(const std::string& doc) {
  static std::atomic<int> serial{0};
  const std::string base = TempDir() + "/schema-" + std::to_string(serial++);
  WriteFile(base + ".pwx", WithoutSchemaExtensions(doc));
  const std::string command = "xmllint --noout --schema '" + PwxSchemaPath() + "' '" + base + ".pwx' >'" + base +
                              ".log' 2>&1";
  if (std::system(command.c_str()) == 0) return "";
  const std::string log = ReadFile(base + ".log");
  return log.empty() ? "xmllint failed without a word" : log;
}

namespace {

TEST(PwxSchema, TellsAValidDocumentFromOneThatBreaksTheSchema) {
  if (const std::string reason = SchemaUnavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
  PluginState s = FreshState();
  PushSample(s, 0, {.TimeOffset = 1, .HeartRate = 120, .Power = 200, .PowerBalance = 48, .Cadence = 90,
                    .Latitude = 46.9, .Longitude = 7.4, .TorqueEffectivenessLeft = 70});
  const std::string doc = SavedDocument(s);
  EXPECT_EQ(SchemaProblems(doc), "");
  // The check itself can fail: a sport the schema does not list, and a sample child out of order.
  std::string sport = doc;
  sport.replace(sport.find("<sportType>Bike<"), 16, "<sportType>Ride<");
  EXPECT_NE(SchemaProblems(sport), "");
  std::string order = doc;
  const std::string hr = "      <hr>120</hr>\r\n";
  order.erase(order.find(hr), hr.size());
  order.insert(order.find("      <lat>"), hr);
  EXPECT_NE(SchemaProblems(order), "");
}

}  // namespace
}  // namespace tessaly::test
