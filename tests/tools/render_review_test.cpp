// Reviewing one moment with the headless renderer: --at gives the show's frame
// at a time, --what names what the score runs there, and a --times list that
// skips frames later frames build on is warned about.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "review.h"
#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

fs::path folderFor(const std::string& name) {
  const fs::path p = fs::temp_directory_path() / ("morvex-review-test-" + std::to_string(getpid())) / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

std::string lastLine(const std::string& text) {
  const size_t end = text.find_last_not_of('\n');
  if (end == std::string::npos) return "";
  const size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1,
                     end - (start == std::string::npos ? 0 : start + 1) + 1);
}

TEST(RenderReview, FramesLeadingToATimeFollowTheRate) {
  // At 10 frames a second: 0, 100, ..., 33900, then the time itself.
  std::vector<int32_t> t = framesLeadingTo(34050, 10.0);
  ASSERT_EQ(t.size(), 342u);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[340], 34000);
  EXPECT_EQ(t[341], 34050);
  // A time on the rate's grid is not listed twice.
  t = framesLeadingTo(34000, 10.0);
  ASSERT_EQ(t.size(), 341u);
  EXPECT_EQ(t.back(), 34000);
  EXPECT_EQ(framesLeadingTo(0, 60.0), std::vector<int32_t>{0});
  // At 60 frames a second the times come from whole sample frames: 1/60 s is 16.67 ms.
  EXPECT_EQ(frameTimeAt(1, 60.0), 17);
  EXPECT_EQ(frameTimeAt(2, 60.0), 33);
  EXPECT_EQ(frameTimeAt(3, 60.0), 50);
}

TEST(RenderReview, WhatRunsAtATime) {
  EXPECT_EQ(describeScheduleAt(12200),
            "DemoTime 12200: the frame is cleared to black first\n"
            "  no row is active: nothing is drawn\n");
  const std::string at = describeScheduleAt(25381);
  // Rows 3, 4 and 5 in table order: the logo draws over the digits.
  EXPECT_LT(at.find("row  3"), at.find("row  4"));
  EXPECT_LT(at.find("row  4"), at.find("row  5"));
  EXPECT_NE(at.find("drawLogo"), std::string::npos);
  const std::string late = describeScheduleAt(44041);
  EXPECT_NE(late.find("not cleared"), std::string::npos);
  EXPECT_NE(late.find("row 31   44041-44119   flashSintable3\n"), std::string::npos) << late;
  EXPECT_NE(late.find("row 32   44041-44119   flashSintableTallA\n"), std::string::npos) << late;
  EXPECT_NE(describeScheduleAt(73000).find("end fade follows"), std::string::npos);
}

TEST(RenderReview, ListsThatSkipFramesLaterFramesBuildOnAreWarnedAbout) {
  EXPECT_EQ(skippedFramesWarning({0, 1000, 20000, 32999}, "a"), "") << "frames before 33000 ms are cleared";
  EXPECT_EQ(skippedFramesWarning({32950, 33000, 33050, 33150}, "b"), "") << "steps of at most 100 ms";
  EXPECT_EQ(skippedFramesWarning({1000, 40000, 40016, 50000}, "t.txt"),
            "warning: t.txt: frame 2 (DemoTime 40000) comes after 1000; from 33000 ms on each frame draws over the "
            "one before, so it differs from the show's frame at that time (and 1 more such frames). For the show's "
            "frame at a time T use --at T.");
  EXPECT_NE(skippedFramesWarning({40000}, "c").find("frame 1 (DemoTime 40000) comes as the first frame"),
            std::string::npos);
  EXPECT_NE(skippedFramesWarning({40000, 40050, 40000}, "d").find("frame 1"), std::string::npos);
  EXPECT_NE(skippedFramesWarning({32950, 33000, 33040, 33020}, "e").find("frame 4 (DemoTime 33020) comes after 33040"),
            std::string::npos)
      << "going back in time";
}

TEST(RenderReview, AtGivesTheShowsFrameAtThatTime) {
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  if (!fs::exists(bin / "data.dat")) GTEST_SKIP() << "no pack built";
  // 34000 ms lies on the grid of 10 frames a second: the frame must be the
  // one a whole run draws there (past 33000 ms, built on every frame before).
  const fs::path a = folderFor("at"), b = folderFor("run");
  const RunResult at = runRenderer("--fps 10 --at 34000 --hash --quiet", a);
  const RunResult run = runRenderer("--fps 10 --until 34000 --no-fade --hash --quiet", b);
  ASSERT_EQ(at.status, 0) << at.err;
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lastLine(at.out), lastLine(run.out));
  EXPECT_EQ(at.out, run.out) << "the same frames lead there";
  EXPECT_TRUE(fs::exists(a / "frame-34000.png"));
  // Off the grid: the frames before, then the time itself.
  const RunResult off = runRenderer("--fps 10 --at 34050 --hash --quiet", a);
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_EQ(lastLine(off.out).rfind("34050 ", 0), 0u) << lastLine(off.out);
  EXPECT_TRUE(fs::exists(a / "frame-34050.png"));

  const RunResult what = runRenderer("--what 20000", a);
  EXPECT_EQ(what.status, 0);
  EXPECT_EQ(what.out, describeScheduleAt(20000));
  // The warning goes to standard error; the frames are still drawn.
  std::ofstream(a / "t.txt") << "1000\n40000\n";
  const RunResult listed = runRenderer("--times t.txt --hash --quiet", a);
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.err.find("morvex-render: warning: t.txt: frame 2 (DemoTime 40000) comes after 1000;"),
            std::string::npos)
      << listed.err;
  const RunResult both = runRenderer("--at 100 --times t.txt", a);
  EXPECT_EQ(both.status, 1);
  EXPECT_EQ(both.err, "morvex-render: --at and --times exclude each other\n");
  fs::remove_all(a.parent_path());
}

}  // namespace
