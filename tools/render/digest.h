#pragma once
// A compact record of every frame of a render, for pinning the whole show:
// per schedule row a digest of all the frames it took part in, per frame
// 16 bits of its hash so that a change can be traced to its first frame.
//
//   row <n> <From> <To> frames <count> from <first frame number> digest <crc>
//   none frames <count> from <first> digest <crc>     frames no row drew
//   fade frames <count> from <first> digest <crc>     the end fade
//   f <frame number> <DemoTime> <16-bit hash> ...     FramesPerLine frames a line
//
// A row's digest is the CRC-32 of the (DemoTime, frame CRC) pairs of its frames
// in order. Frame numbers count presented frames from 0.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr int DigestFramesPerLine = 12;

// Called once per presented frame; inPass is false during the end fade.
void digestFrame(int32_t demoTime, bool inPass, uint32_t crc);
void writeDigest(FILE* out, const std::string& heading);

// The pinned record read back, for comparisons.
struct DigestGroup {
  std::string name;  // "row 6 34301 36839", "none", "fade"
  int64_t frames = 0, from = 0;
  std::string digest;
};
struct DigestRecord {
  std::vector<DigestGroup> groups;
  std::vector<uint16_t> frameHashes;  // per frame number
  std::vector<int32_t> lineTimes;     // DemoTime of each f line's first frame
};
bool parseDigest(const std::string& text, DigestRecord& record, std::string& error);
// What differs, one line per changed group with its first changed frame; empty
// when the records agree.
std::vector<std::string> compareDigests(const DigestRecord& pinned, const DigestRecord& now);
