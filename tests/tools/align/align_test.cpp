// quorvex-align's portable parts: the warnings' geometry, what --show draws, the
// seven points to settings, and the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "align_geometry.h"
#include "align_options.h"
#include "align_production.h"
#include "app/check.h"
#include "align_session.h"
#include "app/settings.h"
#include "common/failure.h"
#include "common/twips.h"

namespace quorvex::align {
namespace {

constexpr TwipsScale k96Dpi{15.0, 15.0};

// The demo's layout at 96 dpi: Start at 120,140 and Stop at 320,140, both 160 x 80;
// each overlay covers its button but for a 12-pixel rim.
SettingsRecord Demo() {
  SettingsRecord s;
  s.PL = 132 * 15, s.PT = 152 * 15, s.FW = 136 * 15, s.FH = 56 * 15;
  s.PL2 = 332 * 15, s.PT2 = 152 * 15, s.FW2 = 136 * 15, s.FH2 = 56 * 15;
  s.STRX = 200, s.STRY = 180, s.STPX = 460, s.STPY = 145, s.STRX2 = 400, s.STRY2 = 180;
  return s;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) {
    all += line + "\n";
  }
  return all;
}

TEST(Geometry, CornersInEitherOrderIncludeBothPixels) {
  const PixelRect expected{120, 140, 160, 80};
  EXPECT_EQ(FromCorners({120, 140}, {279, 219}), expected);
  EXPECT_EQ(FromCorners({279, 219}, {120, 140}), expected);
  EXPECT_EQ(FromCorners({279, 140}, {120, 219}), expected);
  EXPECT_EQ(FromCorners({-5, -5}, {-5, -5}), (PixelRect{-5, -5, 1, 1}));
  EXPECT_EQ(Centre({120, 140, 160, 80}), (PixelPoint{200, 180}));
  EXPECT_EQ(Centre({0, 0, 5, 3}), (PixelPoint{2, 1}));  // rounded down
  EXPECT_EQ(Shrink({120, 140, 160, 80}, 12), (PixelRect{132, 152, 136, 56}));
  EXPECT_TRUE(Shrink({0, 0, 24, 80}, 12).Empty());
}

TEST(Geometry, PixelsBecomeTwipsThatComeBackAsTheSamePixels) {
  for (const double dpi : {96.0, 120.0, 144.0, 110.0, 72.0, 24.0, 960.0}) {
    const double perPixel = TwipsPerPixel(dpi);
    for (int pixels = -3000; pixels <= 3000; ++pixels) {
      ASSERT_EQ(TwipsToPixels(PixelsToTwips(pixels, perPixel), perPixel), pixels)
          << "at " << dpi << " dpi";
    }
  }
}

TEST(Warnings, NoneForTheDemosLayout) {
  EXPECT_EQ(Warnings(Demo(), k96Dpi), std::vector<std::string>{});
}

TEST(Warnings, ClickPointUnderAnOverlayThatSteppedAsideToTheTopEdge) {
  // Button 1 near the top of the screen: overlay 1 at rows 10..65, 0..55 once aside.
  SettingsRecord s = Demo();
  s.PT = 10 * 15;
  s.STRY = 30;
  auto warnings = Warnings(s, k96Dpi);
  ASSERT_EQ(warnings.size(), 1u) << Joined(warnings);
  EXPECT_EQ(warnings[0],
            "the \"10\" point 200,30 lies inside overlay 1 even once it has stepped aside to the "
            "top edge (rows 0 to 55): for each \"10\" Quorvex moves overlay 1 up off the screen "
            "instead, out of the click's way, and then puts it back");

  s.STRY = 56;  // the first row below it
  EXPECT_EQ(Warnings(s, k96Dpi), std::vector<std::string>{});

  s = Demo();
  s.PT2 = 0;
  s.STRY2 = 55;
  warnings = Warnings(s, k96Dpi);
  ASSERT_EQ(warnings.size(), 1u) << Joined(warnings);
  EXPECT_NE(warnings[0].find("the \"30\" point 400,55 lies inside overlay 2 even once"),
            std::string::npos);
}

TEST(Warnings, ClickPointInsideAnOverlayThatStaysInPlace) {
  struct Case {
    const char* what;
    std::int16_t SettingsRecord::*x;
    std::int16_t SettingsRecord::*y;
    PixelPoint point;
    const char* expected;
  };
  for (const Case& c : {
           Case{"20 in 1",
                &SettingsRecord::STPX,
                &SettingsRecord::STPY,
                {132, 152},
                "the \"20\" point 132,152 lies inside overlay 1, which stays in place for "
                "\"20\": the click would land on the overlay, so Quorvex presses nothing and the "
                "code is not made"},
           Case{"20 in 2",
                &SettingsRecord::STPX,
                &SettingsRecord::STPY,
                {467, 207},
                "the \"20\" point 467,207 lies inside overlay 2, which stays in place for "
                "\"20\": the click would land on the overlay, so Quorvex presses nothing and the "
                "code is not made"},
           Case{"10 in 2",
                &SettingsRecord::STRX,
                &SettingsRecord::STRY,
                {400, 180},
                "the \"10\" point 400,180 lies inside overlay 2, which stays in place for "
                "\"10\": the click would land on the overlay, so Quorvex presses nothing and the "
                "code is not made"},
           Case{"30 in 1",
                &SettingsRecord::STRX2,
                &SettingsRecord::STRY2,
                {200, 180},
                "the \"30\" point 200,180 lies inside overlay 1, which stays in place for "
                "\"30\": the click would land on the overlay, so Quorvex presses nothing and the "
                "code is not made"},
       }) {
    SettingsRecord s = Demo();
    s.*c.x = static_cast<std::int16_t>(c.point.x);
    s.*c.y = static_cast<std::int16_t>(c.point.y);
    EXPECT_EQ(Warnings(s, k96Dpi), std::vector<std::string>{c.expected}) << c.what;
  }
  // Just outside the last column and row of overlay 2.
  SettingsRecord s = Demo();
  s.STPX = 468;
  s.STPY = 207;
  EXPECT_EQ(Warnings(s, k96Dpi), std::vector<std::string>{});
  s.STPX = 467;
  s.STPY = 208;
  EXPECT_EQ(Warnings(s, k96Dpi), std::vector<std::string>{});
}

TEST(Warnings, OverlaysThatOverlapButNotOnesThatTouch) {
  SettingsRecord s = Demo();
  s.PL2 = (132 + 136) * 15;  // overlay 2 begins on the column after overlay 1's last
  s.STRX2 = 300;
  EXPECT_EQ(Warnings(s, k96Dpi), std::vector<std::string>{});
  s.PL2 = (132 + 130) * 15;
  s.PT2 = (152 + 50) * 15;
  s.STRX2 = 300, s.STRY2 = 240;
  EXPECT_EQ(Warnings(s, k96Dpi),
            std::vector<std::string>{"overlays 1 and 2 overlap at 262,202 (6 x 6 pixels): a "
                                     "click there is relayed for one of them only"});
  s.FW2 = 0;  // an overlay with no area overlaps nothing, and guards nothing
  EXPECT_EQ(Warnings(s, k96Dpi),
            std::vector<std::string>{"overlay 2 has no area (0 x 56 pixels; FW2 and FH2 set it): "
                                     "it guards nothing, and the button beneath it takes the "
                                     "operator's clicks itself"});
}

bool Inked(const Drawing& drawing, PixelPoint p) {
  for (const PixelRect& stroke : drawing.strokes) {
    if (stroke.Contains(p)) {
      return true;
    }
  }
  return false;
}

PixelSize FixedFont(const std::string& text) {
  return {6 * static_cast<int>(text.size()), 13};
}

TEST(Drawing, OutlinesOnTheOverlaysEdgesCrossesOnTheClickPoints) {
  const PixelRect screen{0, 0, 1024, 768};
  const Drawing drawing = Plan(Demo(), k96Dpi, screen, FixedFont);
  for (const PixelPoint edge :
       {PixelPoint{132, 152}, PixelPoint{267, 207}, PixelPoint{133, 153}, PixelPoint{200, 152},
        PixelPoint{267, 180}, PixelPoint{332, 152}, PixelPoint{467, 207}}) {
    EXPECT_TRUE(Inked(drawing, edge)) << edge.x << "," << edge.y;
  }
  for (const PixelPoint clear : {PixelPoint{131, 152}, PixelPoint{268, 208}, PixelPoint{134, 154},
                                 PixelPoint{150, 190}, PixelPoint{350, 190}}) {
    EXPECT_FALSE(Inked(drawing, clear)) << clear.x << "," << clear.y;
  }
  for (const PixelPoint point : {PixelPoint{200, 180}, PixelPoint{460, 145}, PixelPoint{400, 180},
                                 PixelPoint{208, 180}, PixelPoint{400, 172}}) {
    EXPECT_TRUE(Inked(drawing, point)) << point.x << "," << point.y;
  }
  ASSERT_EQ(drawing.labels.size(), 5u);
  EXPECT_EQ(drawing.labels[0].text, "overlay 1");
  EXPECT_EQ(drawing.labels[0].place, (PixelRect{132, 138, 54, 13}));  // above its outline
  EXPECT_EQ(drawing.labels[2].text, "10");
  for (const Label& label : drawing.labels) {
    EXPECT_TRUE(screen.Contains(label.place)) << label.text;
  }
}

TEST(Drawing, LabelsGoWhereThereIsRoomOrNowhere) {
  const PixelRect screen{0, 0, 1024, 768};
  const PixelSize size{54, 13};
  // At the top edge: inside the outline, clear of its ring.
  EXPECT_EQ(PlaceOutlineLabel({10, 0, 136, 56}, size, screen), (PixelRect{13, 3, 54, 13}));
  // At the top edge and too small to hold it: below.
  EXPECT_EQ(PlaceOutlineLabel({10, 0, 40, 20}, size, screen), (PixelRect{10, 21, 54, 13}));
  // Covering the whole screen: nowhere.
  EXPECT_EQ(PlaceOutlineLabel({0, 0, 1024, 768}, {2000, 13}, screen), std::nullopt);
  // A cross in the bottom-right corner: its label goes left of it, then above.
  const PixelRect corner{1015, 759, 17, 17};
  const auto place = PlaceCrossLabel(corner, {12, 13}, screen);
  ASSERT_TRUE(place.has_value());
  EXPECT_TRUE(screen.Contains(*place));
  EXPECT_FALSE(place->Contains(PixelPoint{1023, 767}));
}

class FakeDesk final : public Desk {
 public:
  explicit FakeDesk(std::vector<PixelPoint> points, TwipsScale scale = k96Dpi)
      : points_(std::move(points)), scale_(scale) {}
  PixelPoint Pointer() override {
    ++asked;
    return points_.at(next_++);
  }
  TwipsScale Scale() override { return scale_; }
  PixelRect Screen() override { return {0, 0, 1024, 768}; }
  PixelSize TextSize(const std::string& text) override { return FixedFont(text); }
  std::optional<PickedWindow> WindowAt(PixelPoint point) override {
    picked.push_back(point);
    return window;
  }
  std::optional<PixelPoint> WindowOrigin(std::string_view titlePart) override {
    followed = titlePart;
    return window ? std::optional(window->origin) : std::nullopt;
  }
  void ShowUntilEnter(std::string_view titlePart,
                      const std::function<Drawing(PixelPoint)>& plan) override {
    followed = titlePart;
    shown.push_back(plan(window && !titlePart.empty() ? window->origin : PixelPoint{}));
  }
  std::vector<std::string> Cautions(const std::vector<PixelPoint>& points) override {
    askedAbout = points;
    return cautions;
  }

  int asked = 0;
  std::vector<std::string> cautions;
  std::vector<PixelPoint> askedAbout;
  std::vector<Drawing> shown;
  std::optional<PickedWindow> window;  // under every point, and the one followed
  std::vector<PixelPoint> picked;      // where a window was asked for
  std::string followed;

 private:
  std::vector<PixelPoint> points_;
  std::size_t next_ = 0;
  TwipsScale scale_;
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::string failure;  // as the tool words it, after "quorvex-align: "
};

Outcome RunWith(const Options& options, FakeDesk& desk, const std::string& typed) {
  std::istringstream input(typed);
  std::ostringstream out, err;
  Outcome outcome;
  try {
    outcome.status = Run(
        options,
        [&desk] {
          struct Borrowed final : Desk {
            explicit Borrowed(FakeDesk& d) : desk(d) {}
            PixelPoint Pointer() override { return desk.Pointer(); }
            TwipsScale Scale() override { return desk.Scale(); }
            PixelRect Screen() override { return desk.Screen(); }
            PixelSize TextSize(const std::string& t) override { return desk.TextSize(t); }
            std::optional<PickedWindow> WindowAt(PixelPoint p) override { return desk.WindowAt(p); }
            std::optional<PixelPoint> WindowOrigin(std::string_view t) override {
              return desk.WindowOrigin(t);
            }
            void ShowUntilEnter(std::string_view t,
                                const std::function<Drawing(PixelPoint)>& plan) override {
              desk.ShowUntilEnter(t, plan);
            }
            std::vector<std::string> Cautions(const std::vector<PixelPoint>& p) override {
              return desk.Cautions(p);
            }
            FakeDesk& desk;
          };
          return std::make_unique<Borrowed>(desk);
        },
        input, out, err);
  } catch (const AlignFailure& failure) {
    outcome.status = 1;
    outcome.failure = failure.what();
  } catch (const Failure& failure) {
    outcome.status = 1;
    outcome.failure = failure.Message();
  }
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

// Corners of Start and Stop given in the other order for Stop; "=" for "10" and "30".
const std::vector<PixelPoint> kDemoPoints{
    {120, 140}, {279, 219}, {479, 219}, {320, 140}, {460, 145}};

TEST(Measuring, SevenPointsGiveEveryKeyInTheReadersOrder) {
  FakeDesk desk(kDemoPoints);
  Options options;
  options.port = "/dev/pts/7";
  options.visible = true;
  options.rim = 12;
  const Outcome outcome = RunWith(options, desk, "\n\n\n\n=\n\n=\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(
      outcome.out,
      "AUTOCONN:1\r\nVERSION:101\r\nCP:/dev/pts/7\r\nPT:2280\r\nPL:1980\r\nFW:2040\r\n"
      "FH:840\r\nCX:0\r\nCY:0\r\nCW:0\r\nCH:0\r\nSTRX:200\r\nSTRY:180\r\nSTPX:460\r\n"
      "STPY:145\r\nPT2:2280\r\nPL2:4980\r\nFW2:2040\r\nFH2:840\r\nSTRX2:400\r\nSTRY2:180\r\n");
  EXPECT_EQ(desk.asked, 5);  // "=" takes no pointer
  EXPECT_EQ(outcome.err.find("warning:"), std::string::npos) << outcome.err;

  // What the program reads back is what was measured.
  SettingsRecord read;
  ReadSettings(outcome.out, "tessora.ini", read);
  SettingsRecord expected = Demo();
  expected.AUTOCONN = 1, expected.VERSION = 101, expected.CP = "/dev/pts/7";
  EXPECT_EQ(read, expected);
}

// What the desktop itself keeps from working (mixed scales, an elevated application)
// is warned of with the settings' own warnings, about the points just measured.
TEST(Measuring, TheDesktopsCautionsAreWarningsAboutTheClickPoints) {
  FakeDesk desk(kDemoPoints);
  desk.cautions = {"the monitors are set to different scales"};
  const Outcome outcome = RunWith(Options{}, desk, "\n\n\n\n=\n\n=\n");
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("warning: the monitors are set to different scales\n"),
            std::string::npos)
      << outcome.err;
  EXPECT_EQ(desk.askedAbout, (std::vector<PixelPoint>{{200, 180}, {460, 145}, {400, 180}}));
}

TEST(Measuring, DefaultsWithoutOptionsAndAtAnotherScale) {
  FakeDesk desk({{10, 20}, {19, 29}, {40, 20}, {49, 29}, {1, 2}, {3, 4}, {5, 6}}, {10.0, 12.0});
  const Outcome outcome = RunWith(Options{}, desk, "\n\n\n\n\n\n\n");
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  SettingsRecord read;
  ReadSettings(outcome.out, "tessora.ini", read);
  EXPECT_EQ(read.AUTOCONN, 0);
  EXPECT_EQ(read.VERSION, 100);
  EXPECT_EQ(read.CP, "");
  EXPECT_EQ(OverlayPixels(read, 1, {10.0, 12.0}), (PixelRect{10, 20, 10, 10}));
  EXPECT_EQ((std::vector<std::int16_t>{read.PL, read.PT, read.FW, read.FH}),
            (std::vector<std::int16_t>{100, 240, 100, 120}));
  EXPECT_EQ((std::vector<std::int16_t>{read.STRX, read.STRY, read.STPX, read.STPY, read.STRX2,
                                       read.STRY2}),
            (std::vector<std::int16_t>{1, 2, 3, 4, 5, 6}));
}

TEST(Measuring, TheStopPointHasNoDefaultAndIsAskedAgain) {
  FakeDesk desk({{120, 140}, {279, 219}, {320, 140}, {479, 219}, {460, 145}});
  const Outcome outcome = RunWith(Options{}, desk, "\n\n\n\n=\n=\n\n=\n");
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("no default"), std::string::npos);
  EXPECT_NE(outcome.out.find("STPX:460\r\nSTPY:145\r\n"), std::string::npos);
}

TEST(Measuring, FailuresWriteNothing) {
  struct Case {
    const char* what;
    std::vector<PixelPoint> points;
    int rim;
    std::string typed;
    std::string message;
  };
  for (const Case& c : {
           Case{"input ends", kDemoPoints, 0, "\n\n\n", "the input ended before point 4 of 7"},
           Case{"nothing typed", kDemoPoints, 0, "", "the input ended before point 1 of 7"},
           Case{"rim eats the button", kDemoPoints, 40, "\n\n\n\n=\n\n=\n",
                "overlay 1 would have no area: its button is 160 x 80 pixels and --rim takes 40"},
           Case{"beyond int16",
                {{2200, 10}, {2300, 20}, {1, 1}, {5, 5}, {9, 9}},
                0,
                "\n\n\n\n=\n\n=\n",
                "overlay 1's left (2200 pixels) in twips is 33000, beyond what tessora.ini"},
       }) {
    FakeDesk desk(c.points);
    Options options;
    options.rim = c.rim;
    const Outcome outcome = RunWith(options, desk, c.typed);
    EXPECT_EQ(outcome.status, 1) << c.what;
    EXPECT_NE(outcome.failure.find(c.message), std::string::npos)
        << c.what << ": " << outcome.failure;
    EXPECT_EQ(outcome.out, "") << c.what;
  }
}

// Button 1's corner at 120,140 picks a window whose client area is at 100,50.
PickedWindow Titled(std::string title) {
  return {std::move(title), {100, 50}};
}

TEST(Window, PositionsCountFromTheClientAreaAndComeBackWhereverItIs) {
  const PixelPoint origins[] = {{0, 0}, {100, 50}, {-30, -7}, {1900, 1400}, {3000, 2000}};
  for (const double dpi : {96.0, 120.0, 144.0, 110.0}) {
    const TwipsScale scale{TwipsPerPixel(dpi), TwipsPerPixel(dpi)};
    const Measurement measured{
        {1120, 940, 160, 80}, {1320, 940, 160, 80}, {1200, 980}, {1460, 945}, {1400, 980}};
    Options options;
    options.rim = 3;
    const SettingsRecord settings = MakeSettings(Relative(measured, {1100, 900}), options, scale);
    for (const PixelPoint origin : origins) {
      // As the program places them once the window's client area is at `origin`.
      const PixelPoint shift{origin.x - 1100, origin.y - 900};
      const auto moved = [shift](PixelRect r) {
        return PixelRect{r.x + shift.x, r.y + shift.y, r.width, r.height};
      };
      EXPECT_EQ(OverlayPixels(settings, 1, scale, origin), moved(Shrink(measured.button1, 3)))
          << dpi;
      EXPECT_EQ(OverlayPixels(settings, 2, scale, origin), moved(Shrink(measured.button2, 3)))
          << dpi;
      const auto clicks = ClickPoints(settings, origin);
      EXPECT_EQ(clicks[0].point, (PixelPoint{1200 + shift.x, 980 + shift.y}));
      EXPECT_EQ(clicks[2].point, (PixelPoint{1400 + shift.x, 980 + shift.y}));
    }
  }
}

TEST(Window, TheTitleUnderPointOneIsWrittenQuotedWhenItHoldsAComma) {
  FakeDesk desk(kDemoPoints);
  desk.window = Titled("Batch 7, PT:3 line");
  Options options;
  options.window = true;
  options.rim = 12;
  const Outcome outcome = RunWith(options, desk, "\n\n\n\n=\n\n=\n");
  ASSERT_EQ(outcome.status, 0) << outcome.failure;
  EXPECT_EQ(outcome.out.find("\"WINDOW:Batch 7, PT:3 line\"\r\nAUTOCONN:0\r\n"), 0u) << outcome.out;
  EXPECT_EQ(desk.picked, (std::vector<PixelPoint>{{120, 140}}));
  SettingsRecord read;
  ReadSettings(outcome.out, "tessora.ini", read);
  EXPECT_EQ(read.WINDOW, "Batch 7, PT:3 line");
  EXPECT_EQ((std::vector<int>{read.PL, read.PT, read.STRX, read.STRY, read.STPX, read.STPY}),
            (std::vector<int>{32 * 15, 102 * 15, 100, 130, 360, 95}));
  EXPECT_EQ(OverlayPixels(read, 2, k96Dpi, {100, 50}), (PixelRect{332, 152, 136, 56}));
  EXPECT_EQ(outcome.err.find("warning:"), std::string::npos) << outcome.err;

  FakeDesk chosen(kDemoPoints);
  chosen.window = Titled("Batch 7, PT:3 line");
  options.windowText = " PT:3 ";
  const Outcome part = RunWith(options, chosen, "\n\n\n\n=\n\n=\n");
  ASSERT_EQ(part.status, 0) << part.failure;
  EXPECT_EQ(part.out.find("WINDOW: PT:3 \r\nAUTOCONN:0\r\n"), 0u) << part.out;
}

TEST(Window, WindowsThatCannotBeNamedAreRefusedAtPointOne) {
  struct Case {
    const char* what;
    std::optional<PickedWindow> window;
    std::string text;
    std::string message;
  };
  for (const Case& c : {
           Case{"the bare desktop", std::nullopt, "", "no window lies under 120,140"},
           Case{"no title", Titled("  "), "", "the window at 120,140 has no title"},
           Case{"a double quote", Titled("Report \"A\""), "",
                "the title holds a double quote, which tessora.ini cannot hold within an item; "
                "name a part of it that stays the same with --window=TEXT"},
           Case{"too long", Titled(std::string(256, 'x')), "", "is longer than 255 characters"},
           Case{"the text not in the title", Titled("Batch 7"), "batch",
                "the window at 120,140 is titled \"Batch 7\", which does not hold \"batch\""},
       }) {
    FakeDesk desk(kDemoPoints);
    desk.window = c.window;
    Options options;
    options.window = true;
    options.windowText = c.text;
    const Outcome outcome = RunWith(options, desk, "\n\n\n\n=\n\n=\n");
    EXPECT_EQ(outcome.status, 1) << c.what;
    EXPECT_NE(outcome.failure.find(c.message), std::string::npos)
        << c.what << ": " << outcome.failure;
    EXPECT_EQ(outcome.out, "") << c.what;
    EXPECT_EQ(desk.asked, 1) << c.what;  // not six more points first
  }
}

TEST(Window, TextsTessoraIniCanHold) {
  EXPECT_EQ(WindowTextFault("Batch PT:7, line 2"), "");
  EXPECT_EQ(WindowTextFault(std::string(255, 'x')), "");
  std::string accents;
  for (int i = 0; i < 255; ++i) {
    accents += "\xC3\xA9";  // characters, not bytes, count
  }
  EXPECT_EQ(WindowTextFault(accents), "");
  EXPECT_EQ(WindowTextFault("a WINDOW:b"), "") << "the value is all that follows the key";
  for (const std::string& text :
       {std::string(), std::string(" \t "), std::string("a\"b"), std::string("a\nb"),
        std::string("a\rb"), std::string(256, 'x'), accents + "e"}) {
    EXPECT_NE(WindowTextFault(text), "") << text;
  }
}

TEST(Warnings, TheTopEdgeCountsWhereTheWindowIsNow) {
  SettingsRecord s = Demo();
  s.PT = 10 * 15;
  s.STRY = 30;
  EXPECT_EQ(Warnings(s, k96Dpi, {0, 0}).size(), 1u);
  EXPECT_EQ(Warnings(s, k96Dpi, {0, 300}), std::vector<std::string>{});
  // Inside the overlay wherever the window is.
  s = Demo();
  s.STPX = 140, s.STPY = 160;
  EXPECT_EQ(Warnings(s, k96Dpi, {500, 400}).size(), 1u);
}

class Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() / ("quorvex-align-" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  static std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  std::filesystem::path dir_;
};

TEST_F(Folder, OutputFileWrittenNewRefusedWhenThereReplacedWithForce) {
  Options options;
  options.output = Path("tessora.ini");
  FakeDesk first(kDemoPoints);
  const Outcome written = RunWith(options, first, "\n\n\n\n=\n\n=\n");
  ASSERT_EQ(written.status, 0);
  EXPECT_EQ(Contents(options.output), written.out);

  { std::ofstream(options.output, std::ios::binary) << "PL:1\n"; }
  FakeDesk second(kDemoPoints);
  const Outcome refused = RunWith(options, second, "\n\n\n\n=\n\n=\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(second.asked, 0);  // refused before the operator points at anything
  EXPECT_EQ(Contents(options.output), "PL:1\n");

  options.force = true;
  FakeDesk third(kDemoPoints);
  const Outcome replaced = RunWith(options, third, "\n\n\n\n=\n\n=\n");
  EXPECT_EQ(replaced.status, 0);
  EXPECT_EQ(Contents(options.output), written.out);
}

TEST_F(Folder, ShowDrawsTheSettingsFileOfTheWorkingDirectory) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  Options options;
  options.show = true;
  FakeDesk desk({});
  const Outcome missing = RunWith(options, desk, "");
  EXPECT_EQ(missing.failure.rfind("Error 53: The settings file ", 0), 0u) << missing.failure;
  EXPECT_TRUE(desk.shown.empty());
  { std::ofstream("tessora.ini", std::ios::binary) << SettingsText(Demo()); }
  const Outcome outcome = RunWith(options, desk, "\n");
  std::filesystem::current_path(previous);
  EXPECT_EQ(outcome.status, 0);
  ASSERT_EQ(desk.shown.size(), 1u);
  EXPECT_TRUE(Inked(desk.shown[0], {132, 152}));
  EXPECT_NE(outcome.err.find("overlay 1: 132,152, 136 x 56 pixels"), std::string::npos)
      << outcome.err;
  EXPECT_EQ(outcome.err.find("production mode: overlays practically invisible (VERSION:0)\n"), 0u)
      << outcome.err;
}

TEST_F(Folder, ShowFollowsTheWindowOrSaysItIsAbsent) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  SettingsRecord relative = Demo();
  relative.WINDOW = " Batch ";
  relative.PL -= 100 * 15, relative.PT -= 50 * 15, relative.STRX -= 100, relative.STRY -= 50;
  { std::ofstream("tessora.ini", std::ios::binary) << SettingsText(relative); }
  Options options;
  options.show = true;
  FakeDesk desk({});
  desk.window = Titled("Batch 7");
  const Outcome there = RunWith(options, desk, "\n");
  FakeDesk none({});
  const Outcome absent = RunWith(options, none, "\n");
  std::filesystem::current_path(previous);
  ASSERT_EQ(there.status, 0) << there.failure;
  EXPECT_EQ(desk.followed, "Batch");
  ASSERT_EQ(desk.shown.size(), 1u);
  EXPECT_TRUE(Inked(desk.shown[0], {132, 152}));
  EXPECT_TRUE(Inked(desk.shown[0], {200, 180}));  // the "10" cross
  EXPECT_NE(there.err.find("now at 100,50\noverlay 1: 132,152, 136 x 56 pixels"), std::string::npos)
      << there.err;
  ASSERT_EQ(absent.status, 0) << absent.failure;
  EXPECT_NE(absent.err.find("no such window is shown"), std::string::npos) << absent.err;
}

std::string Utf16(std::string_view utf8, bool little) {
  // ASCII and one character beyond the BMP (U+1F600) are all the cases below hold.
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  const auto unit = [&](unsigned u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += little ? std::string{lo, hi} : std::string{hi, lo};
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.substr(i).starts_with("\xF0\x9F\x98\x80")) {
      unit(0xD83D), unit(0xDE00), i += 3;
    } else {
      unit(static_cast<unsigned char>(utf8[i]));
    }
  }
  return out;
}

TEST(Production, OnlyTheVersionValuesChangeInEveryEncoding) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
    int items;
    int firstLine;
  };
  const std::string smiley = "\xF0\x9F\x98\x80";
  for (const Case& c : {
           Case{"CR LF", "AUTOCONN:1\r\nVERSION:101\r\nCP:3\r\n",
                "AUTOCONN:1\r\nVERSION:100\r\nCP:3\r\n", 1, 2},
           Case{"blanks, quotes, commas, LF", "PL:9, VERSION: 101 ,\n\"VERSION:101\",PT:1",
                "PL:9, VERSION: 100 ,\n\"VERSION:100\",PT:1", 2, 1},
           Case{"a fraction, CR alone", "x\rVERSION:100.6\r", "x\rVERSION:100\r", 1, 2},
           Case{"key after the number", "  1VERSION:01\n", "  VERSION:100\n", 1, 1},
           Case{"UTF-8 mark, text around",
                "\xEF\xBB\xBFLinie \xC3\x84 " + smiley + "\nVERSION:101\n",
                "\xEF\xBB\xBFLinie \xC3\x84 " + smiley + "\nVERSION:100\n", 1, 2},
           Case{"none", "PL:1\r\n", "PL:1\r\n", 0, 0},
       }) {
    const ProductionEdit edit = ToProduction(c.before);
    EXPECT_EQ(edit.bytes, c.after) << c.what;
    EXPECT_EQ(edit.items, c.items) << c.what;
    EXPECT_EQ(edit.firstLine, c.firstLine) << c.what;
  }
  // Notepad's "Unicode" and "Unicode big endian", with a surrogate pair before the item.
  for (const bool little : {true, false}) {
    const std::string text = "CP:/dev/" + smiley + "\r\nVERSION: 101\r\nPL:5";
    const ProductionEdit edit = ToProduction(Utf16(text, little));
    EXPECT_EQ(edit.bytes, Utf16("CP:/dev/" + smiley + "\r\nVERSION: 100\r\nPL:5", little));
    SettingsRecord read;
    ReadSettings(edit.bytes, "tessora.ini", read);
    EXPECT_EQ(read.VERSION, 100);
    EXPECT_EQ(read.PL, 5);
  }
}

TEST(Production, ModeAsShownAndSaid) {
  EXPECT_EQ(ModeText(101, true), "alignment mode: overlays drawn visibly (VERSION:101)");
  EXPECT_EQ(ModeText(100, true), "production mode: overlays practically invisible (VERSION:100)");
  EXPECT_EQ(ModeText(0, false),
            "production mode: overlays practically invisible (no VERSION item)");
}

TEST_F(Folder, ProductionRewritesTheFileOnceAndLeavesOthersAlone) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  Options options;
  options.production = true;
  FakeDesk desk({});
  struct Step {
    std::string before;  // empty: no file
    int status;
    std::string after;
    std::string said;
  };
  const std::string aligned = "AUTOCONN:0\r\nVERSION:101\r\nPL:900\r\n";
  const std::string production = "AUTOCONN:0\r\nVERSION:100\r\nPL:900\r\n";
  for (const Step& step : {
           Step{aligned, 0, production,
                "tessora.ini, line 2: VERSION:101 is now VERSION:100. production mode: overlays "
                "practically invisible (VERSION:100) from Quorvex's next start.\n"},
           Step{production, 0, production,
                "tessora.ini is already in production mode: overlays practically invisible "
                "(VERSION:100); left as it is\n"},
           Step{"PL:900\n", 0, "PL:900\n", "(no VERSION item); left as it is\n"},
           Step{"VERSION:101\nPL:abc\n", 1, "VERSION:101\nPL:abc\n",
                "Error 13: tessora.ini, line 2: the item \"PL:abc\" is not a number."},
           Step{"", 1, "", "Error 53: The settings file "},
       }) {
    std::filesystem::remove("tessora.ini");
    if (!step.before.empty()) {
      std::ofstream("tessora.ini", std::ios::binary) << step.before;
    }
    const Outcome outcome = RunWith(options, desk, "");
    EXPECT_EQ(outcome.status, step.status) << step.before;
    EXPECT_NE((outcome.out + outcome.failure).find(step.said), std::string::npos)
        << outcome.out << outcome.failure;
    EXPECT_EQ(Contents("tessora.ini"), step.after);
  }
  std::filesystem::current_path(previous);
  EXPECT_EQ(desk.asked, 0);
  EXPECT_TRUE(desk.shown.empty());  // no display needed
}

TEST(SettingsText, WritesAKeyOptedIntoOnlyWhenSet) {
  SettingsRecord s = Demo();
  EXPECT_TRUE(SettingsText(s).ends_with("STRY2:" + std::to_string(s.STRY2) + "\r\n"));
  s.RECONNECT = 1;
  EXPECT_TRUE(SettingsText(s).ends_with("\r\nRECONNECT:1\r\n"));
}

TEST(Options, WhatTheCommandLineSets) {
  const Options o =
      ParseOptions({"--port", "3", "--visible", "--rim=4", "--output", "x.ini", "--force"});
  EXPECT_EQ(o.port, "3");
  EXPECT_TRUE(o.visible);
  EXPECT_EQ(o.rim, 4);
  EXPECT_EQ(o.output, "x.ini");
  EXPECT_TRUE(o.force);
  EXPECT_FALSE(o.show);
  EXPECT_EQ(ParseOptions({"--port=/dev/serial/by-id/usb-FTDI_A-port0"}).port,
            "/dev/serial/by-id/usb-FTDI_A-port0");
  EXPECT_TRUE(ParseOptions({"--show"}).show);
  EXPECT_TRUE(ParseOptions({"--production"}).production);
  EXPECT_TRUE(ParseOptions({"-h"}).help);
  EXPECT_TRUE(ParseOptions({"--version"}).version);
  const Options window = ParseOptions({"--window"});
  EXPECT_TRUE(window.window);
  EXPECT_EQ(window.windowText, "");
  EXPECT_EQ(ParseOptions({"--window=Line 2, Batch"}).windowText, "Line 2, Batch");
}

TEST(Options, MistakesAndPortsTheSettingsFileCannotHold) {
  for (const std::vector<std::string_view>& arguments : std::vector<std::vector<std::string_view>>{
           {"--what"},
           {"--rim"},
           {"--rim", "-1"},
           {"--rim", "4px"},
           {"--rim", "1001"},
           {"--output", ""},
           {"--force"},
           {"--show", "--visible"},
           {"--visible=1"},
           {"--production", "--port", "3"},
           {"--production=1"},
           {"--version=1"},
           {"--show", "--production"},
           {"--port", ""},
           {"--port", "3,4"},
           {"--port", "3\n"},
           {"--port", "3\rPL:5"},
           {"--port", "3 VERSION:1"},  // read as VERSION, not as CP
           {"--port", "AUTOCONN:1"},
           {"--port", "COM3"},  // the program wants the number alone
           {"--port", "0"},
           {"--window="},
           {"--window= "},
           {"--window=a\"b"},
           {"--show", "--window"},
       }) {
    EXPECT_THROW(ParseOptions(arguments), std::invalid_argument)
        << ::testing::PrintToString(arguments);
  }
}

}  // namespace
}  // namespace quorvex::align
