// Helpers shared by the import tests: element subtrees from XML snippets, PWX documents on disk.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "pwx_import/xml_tree.h"
#include "test_support.h"

namespace tessaly::test {

// A field of a packed host record as a value: the test macros take references, and no reference
// may bind to an unaligned field.
template <class T>
T V(T field) {
  return field;
}

// The first element child of the workout in <pwx><workout>SNIPPET</workout></pwx>.
inline xml::Node WorkoutChild(const std::string& snippet) {
  xml::Node first;
  bool found = false;
  const xml::LoadResult result = xml::ReadWorkoutChildrenFromText(
      "<pwx><workout>" + snippet + "</workout></pwx>", [](std::string_view) { return true; },
      [&](const xml::Node& element) {
        if (!found) first = element;
        found = true;
        return true;
      });
  EXPECT_EQ(result, xml::LoadResult::Loaded) << snippet;
  EXPECT_TRUE(found) << snippet;
  return first;
}

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

}  // namespace tessaly::test
