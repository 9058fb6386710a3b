#include "align_session.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <limits>
#include <ostream>

#include "align_production.h"
#include "common/twips.h"

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
        taken = pointer_();
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

void Warn(std::ostream& messages, const SettingsRecord& settings, TwipsScale scale, Desk& desk) {
  std::vector<PixelPoint> points;
  for (const ClickPoint& click : ClickPoints(settings)) {
    points.push_back(click.point);
  }
  for (const auto& warnings : {Warnings(settings, scale), desk.Cautions(points)}) {
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
  const std::function<PixelPoint()> pointer = [&desk] { return desk->Pointer(); };
  const Measurement measured = Measure(input, messages, pointer);
  const SettingsRecord settings = MakeSettings(measured, options, scale);
  Warn(messages, settings, scale, *desk);
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
  for (const int number : {1, 2}) {
    messages << "overlay " << number << ": " << Text(Overlay(settings, number, scale)) << '\n';
  }
  for (const ClickPoint& click : ClickPoints(settings)) {
    messages << "\"" << click.code << "\" clicks " << Text(click.point) << '\n';
  }
  Warn(messages, settings, scale, *desk);
  messages << "Shown over the screen until Enter is pressed here (or Ctrl-C)." << std::endl;
  desk->ShowUntilEnter(Plan(settings, scale, desk->Screen(),
                            [&desk](const std::string& text) { return desk->TextSize(text); }));
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
    text += key.name;
    text += key.field ? std::to_string(settings.*key.field) : settings.*key.text;
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
