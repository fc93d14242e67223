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

// Documents are fed whole and in these pieces: a split anywhere must read as the whole does.
inline constexpr std::size_t kChunkSizes[] = {xml::kReadChunk, 1, 3};

// Builds every workout child and hands it to OnVisit.
struct TreeVisitor final : xml::WorkoutVisitor {
  std::function<bool(const xml::Node&)> OnVisit = [](const xml::Node&) { return true; };
  xml::Take Open(std::string_view) override { return xml::Take::Tree; }
  bool Visit(const xml::Node& element) override { return OnVisit(element); }
  void Field(std::string_view, std::string_view) override {}
  bool Close() override { return true; }
};

// Kind, name, attributes, text and children, nested in brackets.
inline std::string Describe(const xml::Node& node) {
  static constexpr const char* kKinds[] = {"E", "T", "C", "M", "P"};
  std::string out = kKinds[static_cast<int>(node.Kind())];
  out += ":" + node.Name();
  // The attributes the readers ask for.
  for (const char* name : {"id", "max", "min", "avg"}) {
    if (const std::string* value = node.Attribute(name)) out += std::string(" ") + name + "=" + *value;
  }
  out += " '" + std::string(node.Text()) + "'";
  for (std::size_t k = 0; k < node.ChildCount(); ++k) out += (k == 0 ? " [" : ", ") + Describe(node.Child(k));
  if (node.ChildCount() > 0) out += "]";
  return out;
}

// The first element child of the workout in <pwx><workout>SNIPPET</workout></pwx>, read whole
// and checked to read the same in pieces.
inline xml::Node WorkoutChild(const std::string& snippet) {
  xml::Node first;
  for (const std::size_t chunk : kChunkSizes) {
    xml::Node node;
    bool found = false;
    TreeVisitor visitor;
    visitor.OnVisit = [&](const xml::Node& element) {
      if (!found) node = element;
      found = true;
      return true;
    };
    const xml::LoadResult result =
        xml::ReadWorkoutText("<pwx><workout>" + snippet + "</workout></pwx>", visitor, chunk);
    EXPECT_EQ(result, xml::LoadResult::Loaded) << snippet << " in pieces of " << chunk;
    EXPECT_TRUE(found) << snippet;
    if (chunk == xml::kReadChunk) {
      first = node;
    } else {
      EXPECT_EQ(Describe(node), Describe(first)) << snippet << " in pieces of " << chunk;
    }
  }
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
