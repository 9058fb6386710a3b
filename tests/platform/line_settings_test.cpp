#include "platform/line_settings.h"

#include <gtest/gtest.h>

#include "platform/failure.h"

namespace quorvex {
namespace {

TEST(LineSettings, ReadsBaudParityDataAndStopBits) {
  EXPECT_EQ(ParseLineSettings("9600,n,8,1"), (LineSettings{9600, 'n', 8, 1}));
  EXPECT_EQ(ParseLineSettings("19200,E,7,2"), (LineSettings{19200, 'e', 7, 2}));
}

TEST(LineSettings, RefusesAnythingElse) {
  for (const char* text : {"", "9600", "9600,n,8", "9600,n,8,1,", "x,n,8,1", "9600,q,8,1",
                           "9600,n,9,1", "9600,n,8,3", "-9600,n,8,1", "9600,,8,1"}) {
    EXPECT_THROW(ParseLineSettings(text), Failure) << text;
  }
}

}  // namespace
}  // namespace quorvex
