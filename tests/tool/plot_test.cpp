// tessaly plot: the picture's structure (well-formed, one panel per channel the workout has, the
// labels a reader needs) and its weight for a day of samples; not its pixels.
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace tessaly {
namespace {

// What a reader of the SVG finds: panels in order, and the texts of the title, the panels and the
// lap row.
struct Picture {
  bool WellFormed = false;
  std::vector<std::string> Panels;
  std::string Title, PanelTexts, LapTexts;
};

Picture Read(const std::string& svg) {
  struct Reader {
    Picture picture;
    std::string* text = nullptr;
    int depth = 0, panelDepth = 0, lapDepth = 0, textDepth = 0;
  } reader;
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetUserData(p, &reader);
  XML_SetElementHandler(
      p,
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        Reader& r = *static_cast<Reader*>(data);
        ++r.depth;
        std::string cls, id;
        for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) {
          if (std::string(a[0]) == "class") cls = a[1];
          if (std::string(a[0]) == "id") id = a[1];
        }
        if (cls == "panel") {
          r.picture.Panels.push_back(id);
          r.panelDepth = r.depth;
        }
        if (cls == "laps") r.lapDepth = r.depth;
        if (cls == "title") r.text = &r.picture.Title;
        else if (r.panelDepth != 0) r.text = &r.picture.PanelTexts;
        else if (r.lapDepth != 0) r.text = &r.picture.LapTexts;
        else r.text = nullptr;
        if (r.text != nullptr && std::string(name) == "text") {
          *r.text += '|';
          r.textDepth = r.depth;
        }
      },
      [](void* data, const XML_Char*) {
        Reader& r = *static_cast<Reader*>(data);
        if (r.depth == r.panelDepth) r.panelDepth = 0;
        if (r.depth == r.lapDepth) r.lapDepth = 0;
        if (r.depth == r.textDepth) r.textDepth = 0;
        --r.depth;
      });
  XML_SetCharacterDataHandler(p, [](void* data, const XML_Char* s, int n) {
    Reader& r = *static_cast<Reader*>(data);
    if (r.text != nullptr && r.textDepth != 0) r.text->append(s, static_cast<std::size_t>(n));
  });
  reader.picture.WellFormed = XML_Parse(p, svg.data(), static_cast<int>(svg.size()), XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(p);
  return reader.picture;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Plot, OnePanelForEachChannelTheWorkoutHas) {
  // Heart rate and cadence only, in three laps of 20 s.
  std::string twoChannels = "<pwx><workout><sportType>Run</sportType><time>2024-05-01T18:00:00</time>";
  for (int k = 1; k <= 3; ++k) {
    twoChannels += "<segment><summarydata><beginning>" + std::to_string((k - 1) * 20) +
                   "</beginning><duration>20</duration></summarydata></segment>";
  }
  for (int t = 0; t <= 60; ++t) {
    twoChannels += "<sample><timeoffset>" + std::to_string(t) + "</timeoffset><hr>" + std::to_string(120 + t % 7) +
                   "</hr><cad>" + std::to_string(80 + t % 5) + "</cad></sample>";
  }
  twoChannels += "</workout></pwx>\n";
  const std::string fixture = test::TempDir() + "/two-channels.pwx";
  test::WriteFile(fixture, twoChannels);

  const struct {
    std::string File;
    std::vector<std::string> Panels;
    std::vector<std::string> Units, AbsentUnits;
    std::string Title, Laps;
  } cases[] = {
      {test::ExampleWorkout(),
       {"panel-heart-rate", "panel-speed", "panel-power", "panel-cadence", "panel-altitude", "panel-route"},
       {"(bpm)", "(km/h)", "(W)", "(rpm)", "(m)"},
       {},
       "|2026-06-14 07:30:00  \u00b7  Bike  \u00b7  4.76 km", "|lap|1|2"},
      // No distance, so none in the title; a run's cadence in steps.
      {fixture, {"panel-heart-rate", "panel-cadence"}, {"(bpm)", "(steps/min)"}, {"(km/h)", "(W)", "(m)", "(rpm)"},
       "|2024-05-01 18:00:00  \u00b7  Run", "|lap|1|2|3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const std::string svg = test::TempDir() + "/plot.svg";
    const test::ToolRun run = test::RunTessaly({"plot", c.File, "-o", svg});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const Picture picture = Read(test::ReadFile(svg));
    EXPECT_TRUE(picture.WellFormed);
    EXPECT_EQ(picture.Panels, c.Panels);
    for (const std::string& unit : c.Units) EXPECT_TRUE(Has(picture.PanelTexts, unit)) << unit;
    for (const std::string& unit : c.AbsentUnits) EXPECT_FALSE(Has(picture.PanelTexts, unit)) << unit;
    EXPECT_EQ(picture.Title, c.Title);
    EXPECT_EQ(picture.LapTexts, c.Laps);
    if (c.File == test::ExampleWorkout()) {
      EXPECT_EQ(test::ReadFile(svg), test::ReadFile(test::DataDir() + "/../../examples/morning-ride.svg"))
          << "the README's picture is no longer what the tool draws: redraw examples/morning-ride.svg";
    }
  }
}

// Pace for runs and swims only, a route only from two different positions.
TEST(Plot, PaceAndRouteExactlyWhenTheDataAllows) {
  const auto workout = [](const char* sport, bool moving) {
    std::string pwx = std::string("<pwx><workout><sportType>") + sport + "</sportType><time>2024-05-01T18:00:00</time>";
    for (int t = 0; t <= 30; t += 10) {
      pwx += "<sample><timeoffset>" + std::to_string(t) + "</timeoffset><spd>3</spd><lat>50.0</lat><lon>" +
             (moving ? std::to_string(7 + t / 1000.0) : "7") + "</lon></sample>";
    }
    return pwx + "</workout></pwx>\n";
  };
  const struct { const char* Sport; bool Moving; std::vector<std::string> Panels; const char* Unit; } cases[] = {
      {"Run", true, {"panel-pace", "panel-route"}, "(min/km)"},
      {"Walk", false, {"panel-pace"}, "(min/km)"},
      {"Swim", true, {"panel-pace", "panel-route"}, "(min/100 m)"},
      {"Bike", true, {"panel-speed", "panel-route"}, "(km/h)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Sport);
    const std::string input = test::TempDir() + "/pace.pwx", svg = test::TempDir() + "/pace.svg";
    test::WriteFile(input, workout(c.Sport, c.Moving));
    ASSERT_EQ(test::RunTessaly({"plot", input, "-o", svg}).Status, 0);
    const Picture picture = Read(test::ReadFile(svg));
    EXPECT_EQ(picture.Panels, c.Panels);
    EXPECT_TRUE(Has(picture.PanelTexts, c.Unit)) << picture.PanelTexts;
  }
}

// A swimmer's rest shows as a step of about two intervals, and breaks the pace line; a bike's
// device may record only when something changes, so there the same step does not.
TEST(Plot, ASwimmersRestBreaksThePaceLine) {
  for (const auto& [sport, stretches] : {std::pair<std::string, std::size_t>{"Swim", 2}, {"Bike", 1}}) {
    SCOPED_TRACE(sport);
    std::string pwx = "<pwx><workout><sportType>" + sport + "</sportType><time>2024-05-01T18:00:00</time>";
    for (const int t : {0, 20, 40, 60, 100, 120, 140}) {  // a rest of 40 s after 60
      pwx += "<sample><timeoffset>" + std::to_string(t) + "</timeoffset><spd>0.8</spd></sample>";
    }
    const std::string input = test::TempDir() + "/rest.pwx", svg = test::TempDir() + "/rest.svg";
    test::WriteFile(input, pwx + "</workout></pwx>\n");
    ASSERT_EQ(test::RunTessaly({"plot", input, "-o", svg}).Status, 0);
    const std::string picture = test::ReadFile(svg);
    const std::size_t line = picture.find("<path class=\"line\" d=\"");
    ASSERT_NE(line, std::string::npos);
    const std::string d = picture.substr(line, picture.find('"', line + 24) - line);
    EXPECT_EQ(static_cast<std::size_t>(std::count(d.begin(), d.end(), 'M')), stretches) << d;
  }
}

// Every fixture the plug-in imports, hostile numbers included, gives a bounded, well-formed picture.
TEST(Plot, AnyImportedWorkoutGivesAPicture) {
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::DataDir() + "/import")) {
    SCOPED_TRACE(entry.path().string());
    const std::string svg = test::TempDir() + "/fixture.svg";
    const bool imports = test::RunTessaly({"check", entry.path().string()}).Status == 0;
    const test::ToolRun run = test::RunTessaly({"plot", entry.path().string(), "-o", svg});
    EXPECT_EQ(run.Status == 0, imports) << run.Err;  // a picture exactly for every file that imports
    if (run.Status != 0) continue;
    ++pictures;
    const std::string picture = test::ReadFile(svg);
    EXPECT_LT(picture.size(), 64u * 1024u);
    EXPECT_TRUE(Read(picture).WellFormed);
    EXPECT_EQ(picture.find("nan"), std::string::npos);
    EXPECT_EQ(picture.find("inf"), std::string::npos);
  }
  EXPECT_GE(pictures, 10);
}

// A day at one sample a second, every value jumping about so that no column can be thinned to a
// point, stays a few hundred kilobytes.
TEST(Plot, ADayOfSecondsStaysAFewHundredKilobytes) {
  std::string day = "<pwx><workout><time>2024-05-01T00:00:00</time>";
  std::uint32_t noise = 12345;
  for (int t = 0; t < 86400; ++t) {
    noise = noise * 1103515245u + 12345u;
    const unsigned n = (noise >> 16) % 100;
    day += "<sample><timeoffset>" + std::to_string(t) + "</timeoffset><hr>" + std::to_string(100 + n) + "</hr><spd>" +
           std::to_string(5 + n % 7) + "</spd><pwr>" + std::to_string(100 + 3 * n) + "</pwr><cad>" +
           std::to_string(60 + n % 40) + "</cad><alt>" + std::to_string(200 + n) + "</alt></sample>\n";
  }
  day += "</workout></pwx>\n";
  const std::string input = test::TempDir() + "/day.pwx";
  test::WriteFile(input, day);
  const std::string svg = test::TempDir() + "/day.svg";
  const test::ToolRun run = test::RunTessaly({"plot", input, "-o", svg});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const std::string picture = test::ReadFile(svg);
  EXPECT_LT(picture.size(), 400u * 1024u);
  const Picture read = Read(picture);
  EXPECT_TRUE(read.WellFormed);
  EXPECT_EQ(read.Panels.size(), 5u);
}

}  // namespace
}  // namespace tessaly
