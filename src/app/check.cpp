#include "app/check.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/reconnect.h"
#include "app/settings.h"
#include "app/startup.h"
#include "common/failure.h"
#include "common/quote.h"
#include "common/window_title.h"

namespace quorvex {
namespace {

std::string Text(const PixelRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

}  // namespace

CheckResult CheckSettings(TwipsScale scale, const PortsNow& ports) {
  SettingsRecord s;
  FileItems items;
  std::optional<Port> port;
  try {
    ReadFile(s);
    items = ItemsOf();
    if (s.AUTOCONN == 1) {
      port = PortFromSetting(s.CP, ports.system);
    }
  } catch (const Failure& failure) {
    const int number = failure.number();
    return {failure.Message() + "\n", number > 0 && number < 256 ? number : 1};
  }
  std::string text;
  if (const std::string_view part = TitlePart(s.WINDOW); !part.empty()) {
    text += "window: the one whose title holds \"" + Printable(part) +
            "\"; the places below are from its client area\n";
  }
  text += "overlay 1 (frmMain): " + Text(OverlayPixels(s, 1, scale)) + " pixels\n" +
          "overlay 2 (frmTwo): " + Text(OverlayPixels(s, 2, scale)) + " pixels\n";
  for (const ClickPoint& click : ClickPoints(s)) {
    text += std::string("\"") + click.code + "\" clicks at " + std::to_string(click.point.x) + "," +
            std::to_string(click.point.y) + "\n";
  }
  text +=
      "port: " +
      (port ? Quote(s.CP) + ", that is " + port->name : std::string("none (AUTOCONN is not 1)")) +
      "\n";
  const bool hasVersion = std::ranges::find(items.keys, "VERSION:") != items.keys.end();
  text += ModeText(s.VERSION, hasVersion) + "\n";
  if (!s.LOG.empty()) {
    text += "log: " + Quote(s.LOG) + "\n";
  }
  std::vector<std::string> warnings = std::move(items.warnings);
  for (std::string& warning : Warnings(s, scale)) {
    warnings.push_back(std::move(warning));
  }
  if (port && !ports.present(*port)) {
    warnings.push_back("the port " + port->name + " is not there now (" +
                       PresentPortsText(ports.names()) + "): " +
                       (Reconnects(s) ? "Quorvex will hold the overlays until it comes"
                                      : "Quorvex would end with Error 8002"));
  }
  for (const std::string& warning : warnings) {
    text += "warning: " + warning + "\n";
  }
  return {text, 0};
}

std::string ModeText(std::int16_t version, bool hasVersionItem) {
  if (version == kAlignmentVersion) {
    return "alignment mode: overlays drawn visibly (VERSION:101)";
  }
  return "production mode: overlays practically invisible (" +
         (hasVersionItem ? "VERSION:" + std::to_string(version) : std::string("no VERSION item")) +
         ")";
}

}  // namespace quorvex
