// quorvex-align's three modes, on any desk: measuring (seven points in, settings
// out), showing tessora.ini over the screen, and taking it to production.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "align_geometry.h"
#include "align_options.h"
#include "align_platform.h"
#include "app/settings.h"

namespace quorvex::align {

// A failure of the tool's own: the message says it all; exit status 1.
class AlignFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Measurement {
  PixelRect button1;
  PixelRect button2;
  PixelPoint start;   // "10"
  PixelPoint stop;    // "20"
  PixelPoint start2;  // "30"
};

// Prompts for the seven points on `prompts` and takes `pointer()` at each line read
// from `input`. Throws AlignFailure when the input ends first.
Measurement Measure(std::istream& input, std::ostream& prompts,
                    const std::function<PixelPoint()>& pointer);

// Why `text` cannot be WINDOW in tessora.ini (a double quote, a line end, too long,
// blank); empty when it can.
std::string WindowTextFault(std::string_view text);

// WINDOW for `picked`, the window under point 1 at `at`: `chosen` (--window=TEXT), which
// must occur in its title, or else the whole title. Throws AlignFailure when neither does.
std::string WindowText(const PickedWindow& picked, std::string_view chosen, PixelPoint at);

// Every point counted from `origin` instead of the screen's corner.
Measurement Relative(const Measurement& measured, PixelPoint origin);

// Throws AlignFailure for an overlay with no area or a value tessora.ini cannot hold.
SettingsRecord MakeSettings(const Measurement& measured, const Options& options, TwipsScale scale);

// Every key in the reader's order, "KEY:value" and CR LF each; an item whose text
// holds a comma in double quotes.
std::string SettingsText(const SettingsRecord& settings);

using DeskOpener = std::function<std::unique_ptr<Desk>()>;

// The whole tool after its command line: 0 or 1 (AlignFailure and Failure are left to
// the caller, which words them).
int Run(const Options& options, const DeskOpener& openDesk, std::istream& input,
        std::ostream& output, std::ostream& messages);

}  // namespace quorvex::align
