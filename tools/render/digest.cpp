#include "digest.h"

#include <algorithm>
#include <sstream>

#include "crc32.h"
#include "driver/schedule.h"

namespace {

struct Running {
  int64_t frames = 0, from = -1;
  uint32_t crc = 0;
};

struct FrameRecord {
  int32_t demoTime;
  uint16_t hash;
};

// Sized at the first frame; a pass at 60 frames a second has about 4400.
std::vector<Running> Rows;
Running Idle, Fade;
std::vector<FrameRecord> Frames;

void add(Running& r, int64_t frame, int32_t demoTime, uint32_t crc) {
  if (r.from < 0) r.from = frame;
  r.frames++;
  const uint32_t pair[2] = {uint32_t(demoTime), crc};
  r.crc = crc32Update(r.crc, pair, sizeof pair);
}

void writeGroup(FILE* out, const std::string& name, const Running& r) {
  std::fprintf(out, "%s frames %lld from %lld digest %08x\n", name.c_str(), (long long)r.frames,
               (long long)(r.from < 0 ? 0 : r.from), r.crc);
}

}  // namespace

void digestFrame(int32_t demoTime, bool inPass, uint32_t crc) {
  if (Rows.empty()) {
    Rows.assign(size_t(EffectScheduleRows), Running());
    Frames.reserve(8192);
  }
  const int64_t frame = int64_t(Frames.size());
  Frames.push_back({demoTime, uint16_t(crc >> 16)});
  if (!inPass) {
    add(Fade, frame, demoTime, crc);
    return;
  }
  bool any = false;
  for (int r = 0; r < EffectScheduleRows; ++r) {
    if (!rowActive(EffectSchedule[r], demoTime)) continue;
    add(Rows[size_t(r)], frame, demoTime, crc);
    any = true;
  }
  if (!any) add(Idle, frame, demoTime, crc);
}

void writeDigest(FILE* out, const std::string& heading) {
  std::fprintf(out, "# %s\n", heading.c_str());
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    writeGroup(out, "row " + std::to_string(r + 1) + " " + std::to_string(row.From) + " " + std::to_string(row.To),
               Rows.empty() ? Running() : Rows[size_t(r)]);
  }
  writeGroup(out, "none", Idle);
  writeGroup(out, "fade", Fade);
  for (size_t i = 0; i < Frames.size(); i += DigestFramesPerLine) {
    std::fprintf(out, "f %zu %d", i, Frames[i].demoTime);
    for (size_t k = i; k < Frames.size() && k < i + DigestFramesPerLine; ++k)
      std::fprintf(out, " %04x", Frames[k].hash);
    std::fputc('\n', out);
  }
}

bool parseDigest(const std::string& text, DigestRecord& record, std::string& error) {
  record = DigestRecord();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    auto bad = [&]() {
      error = "line " + std::to_string(number) + " is not understood: " + line;
      return false;
    };
    if (kind == "f") {
      size_t first = 0;
      int32_t time = 0;
      if (!(words >> first >> time) || first != record.frameHashes.size()) return bad();
      record.lineTimes.push_back(time);
      std::string h;
      while (words >> h) {
        if (h.size() != 4) return bad();
        record.frameHashes.push_back(uint16_t(std::stoul(h, nullptr, 16)));
      }
      continue;
    }
    DigestGroup g;
    g.name = kind;
    std::string word;
    while (words >> word && word != "frames") g.name += " " + word;
    std::string fromWord, digestWord;
    if (word != "frames" || !(words >> g.frames >> fromWord >> g.from >> digestWord >> g.digest) ||
        fromWord != "from" || digestWord != "digest")
      return bad();
    record.groups.push_back(g);
  }
  if (record.groups.empty() || record.frameHashes.empty()) {
    error = "no digest in the text";
    return false;
  }
  return true;
}

std::vector<std::string> compareDigests(const DigestRecord& pinned, const DigestRecord& now) {
  std::vector<std::string> out;
  auto whereIs = [&](int64_t frame) {
    const size_t line = size_t(frame) / DigestFramesPerLine;
    std::string s = "frame " + std::to_string(frame);
    if (line < now.lineTimes.size())
      s += " (the " + std::to_string(frame % DigestFramesPerLine + 1) + ". of the frames from DemoTime " +
           std::to_string(now.lineTimes[line]) + ")";
    return s;
  };
  // The first frame at or after from whose short hash differs, within count.
  auto firstChange = [&](int64_t from, int64_t count) -> int64_t {
    for (int64_t f = from; f < from + count; ++f) {
      if (size_t(f) >= pinned.frameHashes.size() || size_t(f) >= now.frameHashes.size()) return f;
      if (pinned.frameHashes[size_t(f)] != now.frameHashes[size_t(f)]) return f;
    }
    return -1;
  };
  for (const DigestGroup& p : pinned.groups) {
    const DigestGroup* n = nullptr;
    for (const DigestGroup& g : now.groups)
      if (g.name == p.name) n = &g;
    if (n == nullptr) {
      out.push_back(p.name + ": not in the new render");
      continue;
    }
    if (n->frames == p.frames && n->from == p.from && n->digest == p.digest) continue;
    std::string line = p.name + ": ";
    if (n->frames != p.frames || n->from != p.from)
      line += "frames " + std::to_string(p.frames) + " from " + std::to_string(p.from) + " became " +
              std::to_string(n->frames) + " from " + std::to_string(n->from) + "; ";
    const int64_t f = firstChange(std::min(p.from, n->from), std::max(p.frames, n->frames));
    line += f >= 0 ? "first changed " + whereIs(f) : "digest changed (the 16-bit frame hashes agree)";
    out.push_back(line);
  }
  for (const DigestGroup& g : now.groups) {
    bool known = false;
    for (const DigestGroup& p : pinned.groups) known = known || p.name == g.name;
    if (!known) out.push_back(g.name + ": not pinned");
  }
  if (pinned.frameHashes.size() != now.frameHashes.size())
    out.push_back("presented frames: " + std::to_string(pinned.frameHashes.size()) + " pinned, " +
                  std::to_string(now.frameHashes.size()) + " now");
  return out;
}
