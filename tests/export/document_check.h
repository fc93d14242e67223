// What every document the export tests write must be: well-formed XML that the plug-in imports
// again with every sample and lap, and valid against the PWX 1.0 schema where the schema and
// xmllint are at hand.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/plugin_state.h"

namespace tessaly::test {

// Imports doc again and checks that it is whole; then validates it against the schema when that
// can be done here.
void ExpectReadableDocument(const std::string& doc, std::int32_t samples, std::int32_t laps);

// The document as ExportDatas saves it: written to a fresh file and read back.
std::string SavedDocument(PluginState& s);

// What the writer gives for a start of exactly 0: 2020-02-29 23:59:58.
inline constexpr double kWriterNow = 43890.0 + 86398.0 / 86400.0;
// The writer's document of the state's workout, with now at kWriterNow, checked as above.
std::string Document(PluginState& s);

// Why the schema cannot be checked here ("" when it can): no schema next to the project, or no
// xmllint on this system.
std::string SchemaUnavailableReason();

// doc validated against the schema with the sample elements the schema lacks taken out: "" when
// valid, else what xmllint reported. Only where SchemaUnavailableReason() is "".
std::string SchemaProblems(const std::string& doc);

// doc without the lines of the sample elements PWX readers know but the 1.0 schema lacks.
std::string WithoutSchemaExtensions(const std::string& doc);

}  // namespace tessaly::test
