// The music unit: the soundtrack's stream, its start and rewind, the fade at
// the end; the position is read once a frame by updateDemoTime (clock.cpp).
#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include "data/log.h"
#include "data/util.h"
#include "music/clock.h"
#include "music/mp3_decode.h"
#include "music/music.h"

uint32_t MusicStream = 0;

// Audio failures go to standard output only: "Error(<code>): <message>", then
// the device is released and the program ends with status 1.
[[noreturn]] static void musicFailure(const char* message) {
  std::cout << "Error(" << audioErrorGetCode() << "): " << message << std::endl;
  audioFree();
  exitOnFailure();
}

static uint64_t musicStreamPosition() { return audioChannelGetPosition(MusicStream, AudioPosByte); }

void initMusic() {
  if (!audioInit(-1, 44100, 0)) musicFailure("Cant init device");
  // The directory keeps its closing "/", so the path holds "//"; harmless.
  const std::string path = executableDirectory() + "/kaz.mp3";
  MusicStream = audioStreamCreateFile(false, path.c_str(), 0, 0, 0);
  if (MusicStream == 0) {
    // The reasons a user can put right get a line of their own first.
    const std::string line = musicFileMessage(path, audioErrorGetCode());
    if (!line.empty()) std::cout << line << "\n";
    musicFailure("Error Loading file");
  }
  MusicPosition = musicStreamPosition;
}

void playMusic() { audioChannelPlay(MusicStream, false); }

void setMusicPosition(float seconds) {
  audioChannelSetPosition(MusicStream, audioChannelSeconds2Bytes(MusicStream, double(seconds)), AudioPosByte);
}

void fadeOutMusic() {
  audioChannelSlideAttribute(MusicStream, AudioAttribVol, 0.0f, 200);
  while (audioChannelIsSliding(MusicStream, AudioAttribVol)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  audioFree();
}
