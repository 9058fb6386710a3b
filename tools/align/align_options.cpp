#include "align_options.h"

#include <charconv>
#include <stdexcept>

#include "align_session.h"
#include "app/settings.h"
#include "common/failure.h"
#include "common/port.h"

namespace quorvex::align {
namespace {

constexpr int kLargestRim = 1000;

constexpr std::string_view kUsage =
    R"usage(Usage: quorvex-align [--port CP] [--visible] [--rim N] [--window[=TEXT]]
                     [--output FILE [--force]]
       quorvex-align --show
       quorvex-align --production

Sets Quorvex up over an application by pointing at its buttons. Asks for seven
points one after the other; point at each with the mouse, then press Enter in
this terminal:
  1, 2  the top-left and the bottom-right pixel of the button overlay 1 covers
        (any two opposite corners do, in either order)
  3, 4  the same for the button overlay 2 covers
  5     the point code "10" clicks ("=" and Enter: the middle of button 1)
  6     the point code "20" clicks: a third point, neither button (its
        overlay would catch the click: said with a warning)
  7     the point code "30" clicks ("=" and Enter: the middle of button 2)
Prompts and warnings go to standard error; the settings, ready to be saved as
tessora.ini, to standard output.

  --port CP     the serial port Quorvex opens at start (CP, with AUTOCONN:1);
                without it CP is empty and AUTOCONN:0
  --visible     VERSION:101: the overlays drawn grey, for checking by eye
  --rim N       each overlay N pixels smaller than its button on every side
  --window      point 1 also picks the application's window (the one under
                the pointer): WINDOW is its title, and every position counts
                from its client area, so the overlays follow it wherever it opens
  --window=TEXT the same, but WINDOW is TEXT, a part of that title that stays
                the same (titles often carry a document name or batch number)
  --output FILE also write FILE; an existing FILE is left alone unless
                --force is given
  --show        draw tessora.ini of this folder over the screen (outlines of the
                overlays, crosses at the click points) until Enter is pressed;
                clicks and keys go on reaching the application beneath; says
                the mode (alignment: VERSION:101, or production)
  --production  go to production: VERSION:101 in tessora.ini of this folder
                becomes VERSION:100 (overlays practically invisible from
                Quorvex's next start), every other byte kept; a file already
                in production mode is left as it is
  -h, --help    show this help
  --version     show the version

Exit status: 0 done, 1 a failure (no display, input ended early, a button with
no area, with --window no window or a title tessora.ini cannot hold, FILE exists, tessora.ini unreadable or not writable), 2 a mistake on
the command line.
)usage";

std::string_view ValueOf(std::string_view option, const std::vector<std::string_view>& arguments,
                         std::size_t& index, std::string_view inlineValue, bool hasInline) {
  if (hasInline) {
    return inlineValue;
  }
  if (index + 1 >= arguments.size()) {
    throw std::invalid_argument(std::string(option) + " needs a value");
  }
  return arguments[++index];
}

int Rim(std::string_view text) {
  int rim = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rim);
  if (error != std::errc() || end != text.data() + text.size() || rim < 0 || rim > kLargestRim) {
    throw std::invalid_argument("--rim takes a number of pixels from 0 to " +
                                std::to_string(kLargestRim) + ", not \"" + std::string(text) +
                                "\"");
  }
  return rim;
}

// The port must come back from tessora.ini as written: no comma, quote or line end
// splitting the item, no other key inside it.
std::string Port(std::string_view text) {
  SettingsRecord read;
  const std::string item = "CP:" + std::string(text) + "\r\n";
  bool same = false;
  try {
    ReadSettings(item, "--port", read);
    SettingsRecord expected;
    expected.CP = std::string(text);
    same = read == expected;
  } catch (const std::exception&) {
  }
  if (text.empty() || !same) {
    throw std::invalid_argument("--port \"" + Printable(text) +
                                "\" cannot be written as CP in tessora.ini");
  }
  // The program's own rule for CP, the wider POSIX one: "COM3" would stop it at start.
  try {
    PortFromSetting(text, PortSystem::kPosix);
  } catch (const Failure& failure) {
    throw std::invalid_argument("--port \"" + Printable(text) + "\": " + failure.description());
  }
  return std::string(text);
}

}  // namespace

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool measuring = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = arguments[i];
    std::string_view inlineValue;
    bool hasInline = false;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
      inlineValue = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasInline = true;
    }
    const auto value = [&] { return ValueOf(name, arguments, i, inlineValue, hasInline); };
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--show") {
      options.show = true;
    } else if (name == "--production") {
      options.production = true;
    } else if (name == "--visible") {
      options.visible = true;
      measuring = true;
    } else if (name == "--force") {
      options.force = true;
      measuring = true;
    } else if (name == "--port") {
      options.port = Port(value());
      measuring = true;
    } else if (name == "--rim") {
      options.rim = Rim(value());
      measuring = true;
    } else if (name == "--window") {
      options.window = true;
      if (hasInline) {
        if (const std::string fault = WindowTextFault(inlineValue); !fault.empty()) {
          throw std::invalid_argument("--window=\"" + Printable(inlineValue) + "\" " + fault);
        }
        options.windowText = std::string(inlineValue);
      }
      measuring = true;
    } else if (name == "--output") {
      options.output = std::string(value());
      if (options.output.empty()) {
        throw std::invalid_argument("--output needs a file name");
      }
      measuring = true;
    } else {
      throw std::invalid_argument("unknown argument \"" + Printable(arguments[i]) + "\"");
    }
    if (hasInline &&
        (name == "--show" || name == "--production" || name == "--visible" || name == "--force" ||
         name == "-h" || name == "--help" || name == "--version")) {
      throw std::invalid_argument(std::string(name) + " takes no value");
    }
  }
  if (options.show && options.production) {
    throw std::invalid_argument("--show and --production go one at a time");
  }
  if ((options.show || options.production) && measuring) {
    throw std::invalid_argument(std::string(options.show ? "--show" : "--production") +
                                " reads tessora.ini and takes no other option");
  }
  if (options.force && options.output.empty()) {
    throw std::invalid_argument("--force only goes with --output FILE");
  }
  return options;
}

std::string Usage() {
  return std::string(kUsage);
}

}  // namespace quorvex::align
