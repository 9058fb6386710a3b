#include "platform/win32/win32_absolute.h"

#include <gtest/gtest.h>

namespace quorvex::win32 {
namespace {

// Whatever the mapping back does with the middle of a pixel, rounding down or to the
// nearest, the first and last rows and columns come out exact; a point off the
// screen goes to its nearest edge.
TEST(AbsoluteCoordinates, EveryPixelComesBackAsItself) {
  for (const std::int32_t extent : {1, 2, 3, 640, 768, 1024, 1080, 1920, 5760, 32768}) {
    for (const std::int32_t origin : {0, -1920, 1080}) {
      std::int32_t previous = -1;
      for (std::int32_t pixel = origin; pixel < origin + extent; ++pixel) {
        const std::int32_t absolute = ToAbsolute(pixel, origin, extent);
        ASSERT_GT(absolute, previous) << extent << " " << pixel;
        ASSERT_LE(absolute, 65535) << extent << " " << pixel;
        ASSERT_EQ(FromAbsolute(absolute, origin, extent), pixel) << extent << " " << pixel;
        previous = absolute;
      }
      EXPECT_EQ(ToAbsolute(origin - 7, origin, extent), ToAbsolute(origin, origin, extent));
      EXPECT_EQ(ToAbsolute(origin + extent, origin, extent),
                ToAbsolute(origin + extent - 1, origin, extent));
    }
  }
}

}  // namespace
}  // namespace quorvex::win32
