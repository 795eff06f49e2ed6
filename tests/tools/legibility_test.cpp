// The show's text as a viewer meets it: the frames where the title words, the
// logo, the tables, the blackboards and the end are shown, rendered by the
// headless renderer and read back by tesseract (Debian's tesseract-ocr); and
// the digit field dark enough to be a background.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

constexpr int FrameWidth = 1280, FrameHeight = 720;

// A text to read: the frame at DemoTime `at`, the box (x0, y0)-(x1, y1), and
// the words that must be among what tesseract reads there.
struct TextCheck {
  const char* what;
  int at;
  int x0, y0, x1, y1;
  // 0: the box's greys as they are; otherwise cut into black and white at
  // this percentage of the box's range (textured and blurred letters).
  int cut;
  std::vector<const char*> words;
};

const std::vector<TextCheck>& textChecks() {
  static const std::vector<TextCheck> checks = {
      {"title words 1-3", 11000, 400, 160, 880, 450, 12, {"DARK", "MONSTROUS", "CARTOONS"}},
      {"title word 4", 11000, 480, 550, 800, 630, 12, {"PRESENTS"}},
      {"title words 5-7", 16000, 300, 180, 980, 440, 12, {"SLY-DOVE", "PRODUCTION"}},
      {"logo's name on black", 20000, 270, 270, 1010, 410, 0, {"MORVEX"}},
      {"logo's subtitle on black", 20000, 280, 455, 1000, 530, 0, {"DARKMONSTROUSCARTOONS"}},
      {"logo's name over the field", 28500, 270, 270, 1010, 410, 0, {"MORVEX"}},
      {"logo's subtitle over the field", 28500, 280, 455, 1000, 530, 0, {"DARKMONSTROUSCARTOONS"}},
      {"sintable2's labels", 43767, 0, 480, 1280, 720, 0, {"0.87", "-0.87", "0.00"}},
      {"blackboard formulas", 64050, 40, 110, 1240, 710, 0, {"SIN", "3.14159", "MC"}},
      {"blackboard lesson", 64250, 700, 590, 1130, 700, 0, {"API"}},
      {"the end", 69600, 330, 200, 950, 330, 50, {"THEEND"}},
      {"the end's name", 69600, 420, 370, 860, 460, 50, {"MORVEX"}},
  };
  return checks;
}

// A frame with no picture over the digit field.
constexpr int FieldOnlyTime = 33500;

// Upper case letters, digits, '.' and '-' of what was read: spaces and the
// exponents' small digits do not matter, nor the case.
std::string normalised(const std::string& text) {
  std::string out;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-')
      out += char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool haveTesseract() { return std::system("command -v tesseract >/dev/null 2>&1") == 0; }

// The renderer's frames, BGRA, in the order of the times list it was given.
struct RenderedFrames {
  std::vector<int> times;
  std::string bytes;
  const unsigned char* frame(int at) const {
    for (size_t i = 0; i < times.size(); ++i)
      if (times[i] == at && bytes.size() >= (i + 1) * FrameWidth * FrameHeight * 4)
        return reinterpret_cast<const unsigned char*>(bytes.data()) + i * size_t(FrameWidth) * FrameHeight * 4;
    return nullptr;
  }
};

// One pass of the renderer over the frames at `targets`, each led up to by a
// quarter second at 60 frames a second (the end builds on its frames).
RenderedFrames renderFrames(const fs::path& folder, std::vector<int> targets) {
  RenderedFrames frames;
  std::sort(targets.begin(), targets.end());
  targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
  fs::create_directories(folder);
  std::ofstream list(folder / "times.txt");
  for (int t : targets) {
    for (int k = 15; k >= 1; --k) {
      const int lead = t - (k * 1000 + 59) / 60;
      if (frames.times.empty() || lead > frames.times.back()) frames.times.push_back(lead);
    }
    frames.times.push_back(t);
  }
  for (int t : frames.times) list << t << '\n';
  list.close();
  const RunResult r = runRenderer("--times times.txt --no-fade --quiet --raw frames.raw", folder);
  EXPECT_EQ(r.status, 0) << r.err;
  frames.bytes = readFile((folder / "frames.raw").string());
  EXPECT_EQ(frames.bytes.size(), frames.times.size() * FrameWidth * FrameHeight * 4);
  return frames;
}

int luminance(const unsigned char* bgra) { return (bgra[2] * 77 + bgra[1] * 150 + bgra[0] * 29) >> 8; }

// The box of the frame, grey, inverted (dark text on light reads best) and
// doubled, as a PGM file for tesseract; what it read.
std::string readBox(const unsigned char* frame, const TextCheck& c, const fs::path& folder) {
  const int w = c.x1 - c.x0, h = c.y1 - c.y0, scale = h < 200 ? 2 : 1;
  fs::create_directories(folder);
  const fs::path pgm =
      folder / (std::to_string(c.at) + "-" + std::to_string(c.x0) + "-" + std::to_string(c.y0) + ".pgm");
  int lo = 255, hi = 0;
  for (int y = c.y0; y < c.y1; ++y)
    for (int x = c.x0; x < c.x1; ++x) {
      const int l = luminance(frame + 4 * (size_t(y) * FrameWidth + x));
      lo = std::min(lo, l);
      hi = std::max(hi, l);
    }
  auto ink = [&](int l) { return c.cut == 0 ? l : (100 * (l - lo) > c.cut * (hi - lo) ? 255 : 0); };
  {
    std::ofstream out(pgm, std::ios::binary);
    out << "P5\n" << w * scale << ' ' << h * scale << "\n255\n";
    std::string row(size_t(w * scale), '\0');
    for (int y = 0; y < h * scale; ++y) {
      for (int x = 0; x < w * scale; ++x)
        row[size_t(x)] =
            char(255 - ink(luminance(frame + 4 * (size_t(c.y0 + y / scale) * FrameWidth + c.x0 + x / scale))));
      out.write(row.data(), std::streamsize(row.size()));
    }
  }
  const std::string command = "tesseract '" + pgm.string() + "' stdout --psm 6 2>/dev/null";
  std::string text;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    pclose(p);
  }
  return text;
}

fs::path scratch() { return fs::temp_directory_path() / ("morvex-legibility-" + std::to_string(getpid())); }

}  // namespace

TEST(Legibility, TextReadsInItsFrames) {
  if (!haveTesseract()) GTEST_SKIP() << "tesseract is not installed (apt-get install tesseract-ocr): text not read";
  const fs::path folder = scratch();
  std::vector<int> targets;
  for (const TextCheck& c : textChecks()) targets.push_back(c.at);
  const RenderedFrames frames = renderFrames(folder, targets);
  for (const TextCheck& c : textChecks()) {
    const unsigned char* frame = frames.frame(c.at);
    ASSERT_NE(frame, nullptr) << c.what;
    const std::string read = readBox(frame, c, folder);
    const std::string flat = normalised(read);
    for (const char* word : c.words)
      EXPECT_NE(flat.find(normalised(word)), std::string::npos)
          << c.what << " at " << c.at << ": \"" << word << "\" is not in what tesseract read: " << read;
  }
  fs::remove_all(folder);
}

// The field alone averages at most 35 of 255: pictures added over it keep
// their contrast. It is still there (at least 8), and its digits still read.
TEST(Legibility, DigitFieldIsABackground) {
  const fs::path folder = scratch();
  const RenderedFrames frames = renderFrames(folder, {FieldOnlyTime});
  const unsigned char* frame = frames.frame(FieldOnlyTime);
  ASSERT_NE(frame, nullptr);
  long sum = 0;
  for (int i = 0; i < FrameWidth * FrameHeight; ++i) sum += luminance(frame + 4 * i);
  const double mean = double(sum) / (FrameWidth * FrameHeight);
  EXPECT_LE(mean, 35.0);
  EXPECT_GE(mean, 8.0);
  if (haveTesseract()) {
    const TextCheck row{"a row of digits", FieldOnlyTime, 0, 300, 640, 330, 0, {}};
    const std::string flat = normalised(readBox(frame, row, folder));
    int digits = 0;
    for (char ch : flat) digits += ch >= '0' && ch <= '9';
    EXPECT_GE(digits, 20) << "the field's digits do not read: " << flat;
  }
  fs::remove_all(folder);
}
