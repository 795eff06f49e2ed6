# morvex-hashes: one pass and the end fade on a virtual clock, every frame
# hashed and compared with tests/port-hashes.txt; and the platform-sensitive
# values compared with tests/platform-values.txt. The show core and nothing
# else, so every port builds it.
add_executable(morvex-hashes tools/hashes/main.cpp tools/hashes/timing.cpp tools/hashes/values.cpp
  tools/render/crc32.cpp)
target_link_libraries(morvex-hashes morvex_core)
