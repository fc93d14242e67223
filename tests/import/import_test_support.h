// Helpers shared by the import tests: element subtrees from XML snippets, PWX documents on disk.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "pwx_import/workout_stream.h"
#include "test_support.h"

namespace tessaly::test {

// A field of a packed host record as a value: the test macros take references, and no reference
// may bind to an unaligned field.
template <class T>
T V(T field) {
  return field;
}

// Builds every workout child and hands it to OnVisit.
struct TreeVisitor final : xml::WorkoutVisitor {
  std::function<bool(const xml::Node&)> OnVisit = [](const xml::Node&) { return true; };
  xml::ChildReading Open(const char*) override { return xml::ChildReading::Tree; }
  bool Visit(const xml::Node& element) override { return OnVisit(element); }
  void Field(const char*, std::string_view) override {}
  bool Close() override { return true; }
};

// A PWX document around the given workout content.
inline std::string PwxDocument(const std::string& workoutContent) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<pwx xmlns=\"http://www.peaksware.com/PWX/1/0\" version=\"1.0\">\n<workout>\n" +
         workoutContent + "\n</workout>\n</pwx>\n";
}

// Writes bytes to a fresh file in the test program's temporary folder and returns its path.
inline std::string TempPwx(const std::string& name, const std::string& bytes) {
  const std::string path = TempDir() + "/" + name;
  WriteFile(path, bytes);
  return path;
}

// Reads a document as an import does: written to a file, then streamed from it.
inline xml::LoadResult ReadDocument(const std::string& document, xml::WorkoutVisitor& visitor) {
  const std::string path = TempPwx("document.pwx", document);
  return xml::ReadWorkoutFile(path.c_str(), visitor);
}

// The first element child of the workout in <pwx><workout>SNIPPET</workout></pwx>.
inline xml::Node WorkoutChild(const std::string& snippet) {
  xml::Node first;
  bool found = false;
  TreeVisitor visitor;
  visitor.OnVisit = [&](const xml::Node& element) {
    if (!found) first = element;
    found = true;
    return true;
  };
  EXPECT_EQ(ReadDocument("<pwx><workout>" + snippet + "</workout></pwx>", visitor), xml::LoadResult::Loaded) << snippet;
  EXPECT_TRUE(found) << snippet;
  return first;
}

}  // namespace tessaly::test
