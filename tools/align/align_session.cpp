#include "align_session.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <limits>
#include <ostream>

#include "align_production.h"
#include "app/check.h"
#include "common/failure.h"
#include "common/twips.h"
#include "common/window_title.h"

namespace quorvex::align {
namespace {

std::string Text(PixelPoint p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string Text(const PixelRect& r) {
  return Text(PixelPoint{r.x, r.y}) + ", " + std::to_string(r.width) + " x " +
         std::to_string(r.height) + " pixels";
}

class Asker {
 public:
  Asker(std::istream& input, std::ostream& prompts, const std::function<PixelPoint()>& pointer)
      : input_(input), prompts_(prompts), pointer_(pointer) {}

  // The pointer's place when a line comes; `fallback`, if any, for a line holding "=".
  PixelPoint Ask(const std::string& what, const PixelPoint* fallback = nullptr) {
    ++number_;
    prompts_ << number_ << "/7 Point at " << what << ", then press Enter";
    if (fallback) {
      prompts_ << " (or type = and Enter: " << Text(*fallback) << ")";
    }
    prompts_ << ": " << std::flush;
    for (std::string line;;) {
      if (!std::getline(input_, line)) {
        prompts_ << '\n';
        throw AlignFailure("the input ended before point " + std::to_string(number_) +
                           " of 7: nothing written");
      }
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      PixelPoint taken;
      if (line == "=") {
        if (!fallback) {
          prompts_ << "  this point has no default: point at it, then press Enter: " << std::flush;
          continue;
        }
        taken = *fallback;
      } else {
        try {
          taken = pointer_();
        } catch (...) {
          prompts_ << '\n';
          throw;
        }
      }
      prompts_ << "  " << Text(taken) << '\n';
      return taken;
    }
  }

 private:
  std::istream& input_;
  std::ostream& prompts_;
  const std::function<PixelPoint()>& pointer_;
  int number_ = 0;
};

std::int16_t Fit(long value, const std::string& what) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    throw AlignFailure(what + " is " + std::to_string(value) +
                       ", beyond what tessora.ini can hold (-32768 to 32767)");
  }
  return static_cast<std::int16_t>(value);
}

struct OverlayFields {
  std::int16_t SettingsRecord::*left;
  std::int16_t SettingsRecord::*top;
  std::int16_t SettingsRecord::*width;
  std::int16_t SettingsRecord::*height;
};

void PlaceOverlay(SettingsRecord& settings, int number, const PixelRect& button, int rim,
                  TwipsScale scale) {
  const std::string name = "overlay " + std::to_string(number);
  const PixelRect overlay = Shrink(button, rim);
  if (overlay.Empty()) {
    throw AlignFailure(name + " would have no area: its button is " + std::to_string(button.width) +
                       " x " + std::to_string(button.height) + " pixels and --rim takes " +
                       std::to_string(rim) + " off every side");
  }
  const OverlayFields f = number == 1 ? OverlayFields{&SettingsRecord::PL, &SettingsRecord::PT,
                                                      &SettingsRecord::FW, &SettingsRecord::FH}
                                      : OverlayFields{&SettingsRecord::PL2, &SettingsRecord::PT2,
                                                      &SettingsRecord::FW2, &SettingsRecord::FH2};
  const auto twips = [&](int pixels, double perPixel, const char* what) {
    return Fit(PixelsToTwips(pixels, perPixel),
               name + "'s " + what + " (" + std::to_string(pixels) + " pixels) in twips");
  };
  settings.*f.left = twips(overlay.x, scale.x, "left");
  settings.*f.top = twips(overlay.y, scale.y, "top");
  settings.*f.width = twips(overlay.width, scale.x, "width");
  settings.*f.height = twips(overlay.height, scale.y, "height");
}

void SetPoint(SettingsRecord& settings, std::int16_t SettingsRecord::*x,
              std::int16_t SettingsRecord::*y, PixelPoint point, const std::string& code) {
  settings.*x = Fit(point.x, "the x of the \"" + code + "\" point");
  settings.*y = Fit(point.y, "the y of the \"" + code + "\" point");
}

void Warn(std::ostream& messages, const SettingsRecord& settings, TwipsScale scale, Desk& desk,
          PixelPoint origin = {}) {
  std::vector<PixelPoint> points;
  for (const ClickPoint& click : ClickPoints(settings, origin)) {
    points.push_back(click.point);
  }
  for (const auto& warnings : {Warnings(settings, scale, origin), desk.Cautions(points)}) {
    for (const std::string& warning : warnings) {
      messages << "warning: " << warning << '\n';
    }
  }
}

int MeasureAndWrite(const Options& options, const DeskOpener& openDesk, std::istream& input,
                    std::ostream& output, std::ostream& messages) {
  // Before the operator points seven times, not after.
  if (!options.output.empty() && !options.force && std::filesystem::exists(options.output)) {
    throw AlignFailure(options.output + " exists: left as it is (--force replaces it)");
  }
  const auto desk = openDesk();
  const TwipsScale scale = desk->Scale();
  // Point 1 also picks the window, there and then: a refusal comes before six more points.
  std::optional<PickedWindow> picked;
  std::string windowText;
  const std::function<PixelPoint()> pointer = [&] {
    const PixelPoint p = desk->Pointer();
    if (options.window && !picked) {
      picked = desk->WindowAt(p);
      if (!picked) {
        throw AlignFailure("no window lies under " + Text(p) +
                           ": with --window, point 1 also picks the application's window");
      }
      windowText = WindowText(*picked, options.windowText, p);
    }
    return p;
  };
  const Measurement measured = Measure(input, messages, pointer);
  const PixelPoint origin = picked ? picked->origin : PixelPoint{};
  SettingsRecord settings = MakeSettings(Relative(measured, origin), options, scale);
  settings.WINDOW = windowText;
  if (picked) {
    messages << "positions count from the client area of \"" << Printable(picked->title)
             << "\", now at " << Text(origin) << '\n';
  }
  Warn(messages, settings, scale, *desk, origin);
  const std::string text = SettingsText(settings);
  output << text << std::flush;
  if (!options.output.empty()) {
    if (!WriteNewFile(options.output, text, options.force)) {
      throw AlignFailure(options.output + " has appeared meanwhile: left as it is (--force " +
                         "replaces it)");
    }
    messages << "written to " << options.output << '\n';
  }
  return 0;
}

// tessora.ini as ReadFile found it: its failures are the program's own, told first.
std::string SettingsBytes(const SettingsRecord& read) {
  std::ifstream file(std::string(kSettingsFileName), std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(file), {}};
  SettingsRecord again;
  ReadSettings(bytes, kSettingsFileName, again);
  if (!file || again != read) {
    throw AlignFailure(std::string(kSettingsFileName) + " changed while it was read: try again");
  }
  return bytes;
}

int Production(std::ostream& output) {
  SettingsRecord settings;
  ReadFile(settings);
  const ProductionEdit edit = ToProduction(SettingsBytes(settings));
  const std::string name(kSettingsFileName);
  if (settings.VERSION != 101) {
    output << name << " is already in " << ModeText(settings.VERSION, edit.items > 0)
           << "; left as it is\n";
    return 0;
  }
  SettingsRecord expected = settings;
  expected.VERSION = 100;
  SettingsRecord written;
  ReadSettings(edit.bytes, kSettingsFileName, written);
  if (written != expected) {
    throw AlignFailure(name + " could not be rewritten safely: left as it is");
  }
  WriteNewFile(name, edit.bytes, true);
  output << name << ", line " << edit.firstLine << ": VERSION:101 is now VERSION:100";
  if (edit.items > 1) {
    output << " (and in " << edit.items - 1 << " more VERSION item" << (edit.items > 2 ? "s" : "")
           << ")";
  }
  output << ". " << ModeText(100, true) << " from Quorvex's next start.\n";
  return 0;
}

int Show(const DeskOpener& openDesk, std::ostream& messages) {
  SettingsRecord settings;
  ReadFile(settings);
  messages << ModeText(settings.VERSION, ToProduction(SettingsBytes(settings)).items > 0);
  messages << (settings.VERSION == 101 ? "; quorvex-align --production turns it off\n" : "\n");
  const auto desk = openDesk();
  const TwipsScale scale = desk->Scale();
  // As the program places them: from the followed window's client area, where it is now.
  const std::string_view part = TitlePart(settings.WINDOW);
  std::optional<PixelPoint> origin = PixelPoint{};
  if (!part.empty()) {
    origin = desk->WindowOrigin(part);
    messages << "positions count from the client area of the window whose title holds \""
             << Printable(part) << "\": "
             << (origin ? "now at " + Text(*origin)
                        : std::string("no such window is shown; drawn once it is, and the "
                                      "positions below count from its corner"))
             << '\n';
  }
  for (const int number : {1, 2}) {
    messages << "overlay " << number << ": "
             << Text(OverlayPixels(settings, number, scale, origin.value_or(PixelPoint{}))) << '\n';
  }
  for (const ClickPoint& click : ClickPoints(settings, origin.value_or(PixelPoint{}))) {
    messages << "\"" << click.code << "\" clicks " << Text(click.point) << '\n';
  }
  // Where the window is decides whether a point lies under an overlay at the top edge.
  if (origin) {
    Warn(messages, settings, scale, *desk, *origin);
  }
  messages << "Shown over the screen" << (part.empty() ? "" : ", following the window,")
           << " until Enter is pressed here (or Ctrl-C)." << std::endl;
  const PixelRect screen = desk->Screen();
  desk->ShowUntilEnter(part, [&](PixelPoint now) {
    return Plan(
        settings, scale, screen, [&desk](const std::string& text) { return desk->TextSize(text); },
        now);
  });
  return 0;
}

}  // namespace

Measurement Measure(std::istream& input, std::ostream& prompts,
                    const std::function<PixelPoint()>& pointer) {
  Asker ask(input, prompts, pointer);
  Measurement m;
  const PixelPoint a = ask.Ask("the top-left corner of button 1 (its first pixel)");
  m.button1 = FromCorners(a, ask.Ask("the bottom-right corner of button 1 (its last pixel)"));
  const PixelPoint b = ask.Ask("the top-left corner of button 2 (its first pixel)");
  m.button2 = FromCorners(b, ask.Ask("the bottom-right corner of button 2 (its last pixel)"));
  const PixelPoint centre1 = Centre(m.button1);
  const PixelPoint centre2 = Centre(m.button2);
  m.start = ask.Ask("where code \"10\" is to click", &centre1);
  m.stop = ask.Ask("where code \"20\" is to click");
  m.start2 = ask.Ask("where code \"30\" is to click", &centre2);
  return m;
}

std::string WindowTextFault(std::string_view text) {
  if (TitlePart(text).empty()) {
    return "is blank";
  }
  if (text.find('"') != std::string_view::npos) {
    return "holds a double quote, which tessora.ini cannot hold within an item";
  }
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    return "holds a line end, which ends an item in tessora.ini";
  }
  SettingsRecord written;
  written.WINDOW = std::string(text);
  SettingsRecord read;
  try {
    ReadSettings(SettingsText(written), kSettingsFileName, read);
  } catch (const Failure&) {
    return "is longer than " + std::to_string(kMaxWindowChars) + " characters";
  }
  if (read.WINDOW != written.WINDOW) {
    return "would not be read back from tessora.ini as it is written";
  }
  return {};
}

std::string WindowText(const PickedWindow& picked, std::string_view chosen, PixelPoint at) {
  const std::string window = "the window at " + Text(at);
  if (TitlePart(picked.title).empty()) {
    throw AlignFailure(window +
                       " has no title: Quorvex finds the application's window by its "
                       "title and could not find this one");
  }
  const std::string titled = window + " is titled \"" + Printable(picked.title) + "\"";
  if (!chosen.empty()) {
    const std::string_view part = TitlePart(chosen);
    if (!TitleMatches(picked.title, part)) {
      throw AlignFailure(titled + ", which does not hold \"" + Printable(part) +
                         "\" (--window=TEXT; letter case counts)");
    }
    return std::string(chosen);
  }
  if (const std::string fault = WindowTextFault(picked.title); !fault.empty()) {
    throw AlignFailure(titled + ": the title " + fault +
                       "; name a part of it that stays the same with --window=TEXT");
  }
  return picked.title;
}

Measurement Relative(const Measurement& m, PixelPoint origin) {
  const auto point = [origin](PixelPoint p) { return PixelPoint{p.x - origin.x, p.y - origin.y}; };
  const auto rect = [origin](const PixelRect& r) {
    return PixelRect{r.x - origin.x, r.y - origin.y, r.width, r.height};
  };
  return {rect(m.button1), rect(m.button2), point(m.start), point(m.stop), point(m.start2)};
}

SettingsRecord MakeSettings(const Measurement& measured, const Options& options, TwipsScale scale) {
  SettingsRecord settings;
  settings.AUTOCONN = options.port.empty() ? 0 : 1;
  settings.VERSION = options.visible ? 101 : 100;
  settings.CP = options.port;
  PlaceOverlay(settings, 1, measured.button1, options.rim, scale);
  PlaceOverlay(settings, 2, measured.button2, options.rim, scale);
  SetPoint(settings, &SettingsRecord::STRX, &SettingsRecord::STRY, measured.start, "10");
  SetPoint(settings, &SettingsRecord::STPX, &SettingsRecord::STPY, measured.stop, "20");
  SetPoint(settings, &SettingsRecord::STRX2, &SettingsRecord::STRY2, measured.start2, "30");
  return settings;
}

std::string SettingsText(const SettingsRecord& settings) {
  std::string text;
  bool optional = false;
  for (const SettingsKey& key : SettingsKeys()) {
    // Optional keys are written only when set: the texts but CP, and the numbers
    // after STRY2:.
    if (key.text != nullptr ? key.text != &SettingsRecord::CP && (settings.*key.text).empty()
                            : optional && settings.*key.field == 0) {
      continue;
    }
    optional = optional || key.name == "STRY2:";
    std::string item(key.name);
    item += key.field ? std::to_string(settings.*key.field) : settings.*key.text;
    // The reader ends an item at a comma outside double quotes.
    text += item.find(',') == std::string::npos ? item : '"' + item + '"';
    text += "\r\n";
  }
  return text;
}

int Run(const Options& options, const DeskOpener& openDesk, std::istream& input,
        std::ostream& output, std::ostream& messages) {
  if (options.production) {
    return Production(output);
  }
  return options.show ? Show(openDesk, messages)
                      : MeasureAndWrite(options, openDesk, input, output, messages);
}

}  // namespace quorvex::align
