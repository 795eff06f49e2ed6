// The walk of the score over a test table with the windows of the real rows:
// which rows run at a time, in table order, and the unsigned window test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/schedule.h"
#include "driver/seek.h"

namespace {

std::vector<std::string> Calls;

void call(const std::string& name) { Calls.push_back(name); }

void routineA() { call("A"); }
void routineB() { call("B"); }
void routineC() { call("C"); }
void routineD() { call("D"); }
void routineE() { call("E"); }
void routineBlur() { call("blur"); }

// Rows 1 to 5 and 31/32 of the show, with recording routines.
const ScheduleRow TestRows[] = {
    {5241, 12199, {routineA, routineBlur}, "A, blur", "Test"},   // row 1
    {12201, 16899, {routineB, routineBlur}, "B, blur", "Test"},  // row 2
    {22721, 32999, {routineC}, "C", "Test"},                     // row 3
    {25381, 112039, {routineD}, "D", "Test"},                    // row 4
    {16961, 29479, {routineE}, "E", "Test"},                     // row 5
    {44041, 44119, {routineA}, "A", "Test"},                     // row 31
    {44041, 44119, {routineB}, "B", "Test"},                     // row 32
};
constexpr int TestRowCount = int(sizeof(TestRows) / sizeof(TestRows[0]));

std::vector<std::string> walkAt(int32_t time) {
  Calls.clear();
  runScheduleRows(TestRows, TestRowCount, time);
  return Calls;
}

using Names = std::vector<std::string>;

TEST(Schedule, WindowsAndTableOrder) {
  EXPECT_EQ(walkAt(0), Names{});
  EXPECT_EQ(walkAt(5240), Names{});
  EXPECT_EQ(walkAt(5241), (Names{"A", "blur"}));
  EXPECT_EQ(walkAt(12199), (Names{"A", "blur"}));
  // Between the title rows: no words and no blur.
  EXPECT_EQ(walkAt(12200), Names{});
  EXPECT_EQ(walkAt(12201), (Names{"B", "blur"}));
  EXPECT_EQ(walkAt(20000), Names{"E"});
  // Rows 3, 4, 5 in table order, although row 5's window opened first.
  EXPECT_EQ(walkAt(25381), (Names{"C", "D", "E"}));
  EXPECT_EQ(walkAt(25380), (Names{"C", "E"}));
  EXPECT_EQ(walkAt(73000), Names{"D"});
  // Identical windows always run together, in table order.
  EXPECT_EQ(walkAt(44040), (Names{"D"}));
  EXPECT_EQ(walkAt(44041), (Names{"D", "A", "B"}));
  EXPECT_EQ(walkAt(44119), (Names{"D", "A", "B"}));
  EXPECT_EQ(walkAt(44120), (Names{"D"}));
}

TEST(Schedule, BelowFromWrapsAndFails) {
  const ScheduleRow row = {5241, 12199, {}, "", ""};
  EXPECT_FALSE(rowActive(row, 5240));
  EXPECT_FALSE(rowActive(row, 0));
  EXPECT_FALSE(rowActive(row, -1));
  EXPECT_FALSE(rowActive(row, INT32_MIN));
  EXPECT_TRUE(rowActive(row, 5241));
  EXPECT_TRUE(rowActive(row, 12199));
  EXPECT_FALSE(rowActive(row, 12200));
  EXPECT_FALSE(rowActive(row, INT32_MAX));
  // The difference is unsigned: 5240 - 5241 is 4294967295, far above the width.
  EXPECT_EQ(uint32_t(5240) - uint32_t(5241), 4294967295u);
}

}  // namespace

TEST(Seek, BuildUpStartsWhereTheActiveScenesBeganWithinEightSeconds) {
  // 20000: the logo row (from 16961) is the earliest active one.
  EXPECT_EQ(buildUpFrom(20000), 16961);
  // 43500: the digit field runs from 25381, so the 8 s limit decides.
  EXPECT_EQ(buildUpFrom(43500), 35500);
  // 34400, just after the first cut: the spin picture began 99 ms before, but
  // the field under it since 25381, so the frames of the last 8 s are drawn.
  EXPECT_EQ(buildUpFrom(34400), 26400);
  EXPECT_EQ(buildUpFrom(3000), 3000);  // nothing runs there: no build-up at all
  EXPECT_EQ(buildUpFrom(0), 0);
}
