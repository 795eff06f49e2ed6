#include "imgpack.h"

#include <cstdio>

Bytes encodeImg(const Canvas& cv) {
  Bytes b = {uint8_t(cv.width), uint8_t(cv.width >> 8), 0, 0, uint8_t(cv.height), uint8_t(cv.height >> 8), 0, 0};
  b.reserve(b.size() + size_t(cv.width / 2) * size_t(cv.height));
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x + 1 < cv.width; x += 2) {
      const size_t i = size_t(y) * size_t(cv.width) + size_t(x);
      b.push_back(uint8_t(levelOf(cv.v[i]) << 4 | levelOf(cv.v[i + 1])));
    }
  return b;
}

void appendPackEntry(Bytes& pack, const std::string& name, const Bytes& data) {
  pack.push_back(uint8_t(name.size()));
  pack.insert(pack.end(), name.begin(), name.end());
  const uint32_t n = uint32_t(data.size());
  for (int i = 0; i < 4; ++i) pack.push_back(uint8_t(n >> (8 * i)));
  pack.insert(pack.end(), data.begin(), data.end());
}

bool writeFileAtomically(const std::string& path, const Bytes& bytes) {
  const std::string tmp = path + ".part";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    std::remove(tmp.c_str());
    return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool readWholeFile(const std::string& path, Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return true;
}
