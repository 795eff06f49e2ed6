// morvex-content: makes the show's content, the asset pack data.dat (77 4-bit
// grey pictures) and the soundtrack kaz.mp3, from code alone: fixed seeds, no
// clock or machine input, so every run writes the same bytes.
//
//   morvex-content pack  DATA.DAT [SHEET.PNG]  paint the pictures, write the pack (and a contact sheet)
//   morvex-content music CUTS.TXT KAZ.MP3      compose, encode and write the soundtrack
//   morvex-content verify CUTS.TXT DATA.DAT KAZ.MP3
//                                              make both again in memory, compare byte for byte
//   morvex-content picture NAME OUT.PNG        one picture at its own size, for a close look
//   morvex-content fingerprint CUTS.TXT        hashes of the pack, the composed samples and the MP3
//   morvex-content figures CUTS.TXT            compose the soundtrack and print what it measures
//
// The pack and the composed samples depend on this source alone, whatever the
// compiler or the machine; the MP3 bytes also depend on how LAME was built
// (an aarch64 LAME encodes the same samples differently), so builds are
// compared by the first two lines of the fingerprint.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "font.h"
#include "imgpack.h"
#include "listen.h"
#include "mp3.h"
#include "music.h"
#include "pictures.h"
#include "sheet.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

Bytes makePack(std::vector<Canvas>* keep) {
  const auto start = Clock::now();
  std::printf("morvex-content: painting %d pictures\n", PictureCount);
  std::fflush(stdout);
  Bytes pack;
  for (int i = 0; i < PictureCount; ++i) {
    const PictureRecipe& recipe = Pictures[i];
    Canvas cv = renderPicture(recipe);
    appendPackEntry(pack, recipe.name, encodeImg(cv));
    if (keep) keep->push_back(std::move(cv));
    if ((i + 1) % 11 == 0 || i + 1 == PictureCount) {
      std::printf("  %2d/%d pictures (%s) %.1f s\n", i + 1, PictureCount, recipe.name, secondsSince(start));
      std::fflush(stdout);
    }
  }
  closeFont();
  return pack;
}

bool readCuts(const std::string& path, std::vector<int32_t>& cuts) {
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == '#' || line[0] == '\n') continue;
    cuts.push_back(int32_t(std::strtol(line, nullptr, 10)));
  }
  std::fclose(f);
  return true;
}

Bytes makeMusic(const std::vector<int32_t>& cuts) {
  auto start = Clock::now();
  std::printf("morvex-content: composing %.0f s of music with %zu cut accents\n", MusicSeconds, cuts.size());
  std::fflush(stdout);
  const std::vector<int16_t> pcm = composeMusic(cuts);
  std::printf("  composed in %.1f s; encoding MP3 (LAME, 192 kbit/s)\n", secondsSince(start));
  std::fflush(stdout);
  start = Clock::now();
  Bytes mp3 = encodeMp3(pcm, MusicRate);
  std::printf("  encoded in %.1f s\n", secondsSince(start));
  return mp3;
}

bool write(const std::string& path, const Bytes& bytes) {
  if (!writeFileAtomically(path, bytes)) {
    std::fprintf(stderr, "morvex-content: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("morvex-content: wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
  return true;
}

bool sameAsFile(const std::string& path, const Bytes& made) {
  Bytes onDisk;
  if (!readWholeFile(path, onDisk)) {
    std::fprintf(stderr, "morvex-content: cannot read %s\n", path.c_str());
    return false;
  }
  if (onDisk == made) {
    std::printf("morvex-content: %s is identical (%zu bytes)\n", path.c_str(), made.size());
    return true;
  }
  size_t i = 0;
  while (i < onDisk.size() && i < made.size() && onDisk[i] == made[i]) ++i;
  std::fprintf(stderr, "morvex-content: %s differs from a new generation at byte %zu (%zu vs %zu bytes)\n",
               path.c_str(), i, onDisk.size(), made.size());
  return false;
}

// FNV-1a, 64 bits: enough to tell two builds' outputs apart.
uint64_t fnv1a(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

// The samples are hashed as little-endian bytes, the same on every machine.
uint64_t fnv1a(const std::vector<int16_t>& samples) {
  Bytes bytes;
  bytes.reserve(samples.size() * 2);
  for (int16_t s : samples) {
    bytes.push_back(uint8_t(uint16_t(s) & 0xFF));
    bytes.push_back(uint8_t(uint16_t(s) >> 8));
  }
  return fnv1a(bytes.data(), bytes.size());
}

int usage() {
  std::fprintf(stderr,
               "usage: morvex-content pack DATA.DAT [SHEET.PNG]\n"
               "       morvex-content music CUTS.TXT KAZ.MP3\n"
               "       morvex-content verify CUTS.TXT DATA.DAT KAZ.MP3\n"
               "       morvex-content picture NAME OUT.PNG\n"
               "       morvex-content fingerprint CUTS.TXT\n"
               "       morvex-content figures CUTS.TXT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string mode = argv[1];
  if (mode == "fingerprint" && argc == 3) {
    std::vector<int32_t> cuts;
    if (!readCuts(argv[2], cuts)) {
      std::fprintf(stderr, "morvex-content: cannot read the cut times %s\n", argv[2]);
      return 1;
    }
    const Bytes pack = makePack(nullptr);
    const std::vector<int16_t> pcm = composeMusic(cuts);
    const Bytes mp3 = encodeMp3(pcm, MusicRate);
    std::printf("pack %016llx %zu bytes\n", (unsigned long long)fnv1a(pack.data(), pack.size()), pack.size());
    std::printf("samples %016llx %zu samples\n", (unsigned long long)fnv1a(pcm), pcm.size());
    std::printf("mp3 %016llx %zu bytes\n", (unsigned long long)fnv1a(mp3.data(), mp3.size()), mp3.size());
    return 0;
  }
  const auto start = Clock::now();
  if (mode == "pack" && (argc == 3 || argc == 4)) {
    std::vector<Canvas> pictures;
    const Bytes pack = makePack(argc == 4 ? &pictures : nullptr);
    if (!write(argv[2], pack)) return 1;
    if (argc == 4) {
      if (!writeContactSheet(argv[3], pictures)) {
        std::fprintf(stderr, "morvex-content: cannot write %s\n", argv[3]);
        return 1;
      }
      closeFont();
      std::printf("morvex-content: wrote %s\n", argv[3]);
    }
  } else if (mode == "music" && argc == 4) {
    std::vector<int32_t> cuts;
    if (!readCuts(argv[2], cuts)) {
      std::fprintf(stderr, "morvex-content: cannot read the cut times %s\n", argv[2]);
      return 1;
    }
    if (!write(argv[3], makeMusic(cuts))) return 1;
  } else if (mode == "figures" && argc == 3) {
    std::vector<int32_t> cuts;
    if (!readCuts(argv[2], cuts)) {
      std::fprintf(stderr, "morvex-content: cannot read the cut times %s\n", argv[2]);
      return 1;
    }
    std::printf("morvex-content: composing and measuring the soundtrack\n");
    std::fflush(stdout);
    const std::vector<int16_t> pcm = composeMusic(cuts);
    printMusicFigures(stdout, measureMusic(pcm, MusicRate, cuts));
  } else if (mode == "verify" && argc == 5) {
    std::vector<int32_t> cuts;
    if (!readCuts(argv[2], cuts)) {
      std::fprintf(stderr, "morvex-content: cannot read the cut times %s\n", argv[2]);
      return 1;
    }
    const bool packSame = sameAsFile(argv[3], makePack(nullptr));
    const bool musicSame = sameAsFile(argv[4], makeMusic(cuts));
    if (!packSame || !musicSame) return 1;
  } else if (mode == "picture" && argc == 4) {
    const PictureRecipe* recipe = nullptr;
    for (const PictureRecipe& p : Pictures)
      if (std::strcmp(p.name, argv[2]) == 0) recipe = &p;
    if (!recipe) {
      std::fprintf(stderr, "morvex-content: no picture named %s\n", argv[2]);
      return 1;
    }
    if (!writePicturePng(argv[3], renderPicture(*recipe))) {
      std::fprintf(stderr, "morvex-content: cannot write %s\n", argv[3]);
      return 1;
    }
  } else {
    return usage();
  }
  std::printf("morvex-content: done in %.1f s\n", secondsSince(start));
  return 0;
}
