// Pictures compared with golden PNG files kept beside the tests.
//
// A picture matches when at most MAX_DIFFERENT_FRACTION of its pixels differ from the golden one
// by more than CHANNEL_TOLERANCE in any channel (font rendering and anti-aliasing may move a
// few edge pixels between library versions). On a mismatch the actual picture is written next
// to the test's temporary files for a look.
//
// To regenerate: run the test with SWIFTSEND_UPDATE_GOLDENS=1; every compared picture is then
// written over its golden file (and the comparison passes). Look at each one before keeping it.
#pragma once

#include <gtest/gtest.h>

#include <string>

typedef struct _cairo_surface cairo_surface_t;

::testing::AssertionResult MatchesGolden(cairo_surface_t* surface, const std::string& goldenPath,
                                         int channelTolerance = 24,
                                         double maxDifferentFraction = 0.002);
