#include "align_check.h"

#include "common/failure.h"
#include "common/quote.h"

namespace quorvex::align {
namespace {

std::string Text(const PixelRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

}  // namespace

CheckResult CheckSettings(TwipsScale scale) {
  SettingsRecord s;
  try {
    ReadFile(s);
  } catch (const Failure& failure) {
    const int number = failure.number();
    return {failure.Message() + "\n", number > 0 && number < 256 ? number : 1};
  }
  std::string text = "overlay 1 (frmMain): " + Text(Overlay(s, 1, scale)) + " pixels\n" +
                     "overlay 2 (frmTwo): " + Text(Overlay(s, 2, scale)) + " pixels\n";
  for (const ClickPoint& click : ClickPoints(s)) {
    text += std::string("\"") + click.code + "\" clicks at " + std::to_string(click.point.x) + "," +
            std::to_string(click.point.y) + "\n";
  }
  text +=
      "port: " + (s.AUTOCONN == 1 ? Quote(s.CP) : std::string("none (AUTOCONN is not 1)")) + "\n";
  text += s.VERSION == 101 ? "alignment mode: overlays drawn visibly (VERSION:101)\n"
                           : "production: overlays practically invisible\n";
  if (!s.LOG.empty()) {
    text += "log: " + Quote(s.LOG) + "\n";
  }
  for (const std::string& warning : Warnings(s, scale)) {
    text += "warning: " + warning + "\n";
  }
  return {text, 0};
}

}  // namespace quorvex::align
