#pragma once
// The music: "kaz.mp3" beside the executable, played from start-up to shutdown.
// Its heard playback position is the show's clock (music/clock.h): initMusic
// points MusicPosition at the stream, and updateDemoTime reads it once a frame.
#include <cstdint>

extern uint32_t MusicStream;  // the back end's stream handle; never 0 once set up

// Opens the default output device and the stream, or prints "Error(" code "): "
// with "Cant init device" / "Error Loading file" and ends the program (status 1).
// A music file that is no regular file, is larger than MaxMusicFileBytes or
// holds more than MaxMusicSeconds gets a line saying so first ("Music file
// <path> is not a regular file", "... is larger than 256 MiB", "... holds more
// than 60 minutes of sound").
void initMusic();
// Starts the stream; a stream already playing is left alone.
void playMusic();
// Playback goes on from that time of the music.
void setMusicPosition(float seconds);
// Glides the volume to silence over 200 ms, then releases the device.
void fadeOutMusic();

// ---------------------------------------------------------------------------
// The audio back end: the whole file decoded by libmpg123 to 44100 Hz stereo
// 16-bit (176400 bytes per second) and played by OpenAL Soft from memory.
// One stream at a time. Failures return false / 0 and leave a code for
// audioErrorGetCode; the codes are the back end's own:
enum AudioError : int32_t {
  AudioOk = 0,
  AudioErrorNoDevice = 1,       // no output device could be opened
  AudioErrorNoContext = 2,      // the device refused a playback context
  AudioErrorAlreadyInit = 3,    // audioInit twice without audioFree
  AudioErrorNotInit = 4,        // a call before audioInit
  AudioErrorFileOpen = 10,      // the file is missing or cannot be read
  AudioErrorNoFormat = 11,      // no MPEG audio found in the file
  AudioErrorNoFrames = 12,      // not one frame could be decoded
  AudioErrorTruncated = 13,     // fewer frames than the file's own length header claims
  AudioErrorDecode = 14,        // the decoder failed or cannot give 44100 Hz stereo 16-bit
  AudioErrorTooLong = 15,       // more than MaxMusicSeconds of sound
  AudioErrorBuffer = 16,        // OpenAL refused the buffer or the source
  AudioErrorStreamLimit = 17,   // a stream exists already
  AudioErrorNotRegular = 18,    // the path is no regular file (a FIFO, a device, a folder)
  AudioErrorFileTooLarge = 19,  // the file is larger than MaxMusicFileBytes
  AudioErrorHandle = 20,        // not a stream handle of the back end
  AudioErrorPosition = 21,      // a position past the end of the music
  AudioErrorAttribute = 22,     // an attribute the back end does not have
  AudioErrorMode = 23,          // a position mode other than bytes
};

// The limits of a music file: an hour of sound is plenty for a show, and an
// hour of MP3 at the highest bit rate (320 kbit/s) takes 144 MB.
constexpr uint64_t MaxMusicSeconds = 3600;
constexpr uint64_t MaxMusicFileBytes = uint64_t(256) << 20;

constexpr uint32_t AudioPosByte = 0;    // positions in bytes of decoded sound
constexpr uint32_t AudioAttribVol = 2;  // the stream's volume, 0 to 1

// device -1 is the default output device; frequency the mixing rate.
bool audioInit(int32_t device, uint32_t frequency, uint32_t flags);
int32_t audioErrorGetCode();
// fromMemory must be false; offset and length 0 (the whole file); flags 0.
uint32_t audioStreamCreateFile(bool fromMemory, const char* path, uint64_t offset, uint64_t length, uint32_t flags);
// Starts playback; a playing stream is left alone. restart: from the beginning.
bool audioChannelPlay(uint32_t stream, bool restart);
uint64_t audioChannelSeconds2Bytes(uint32_t stream, double seconds);  // whole sample frames
double audioChannelBytes2Seconds(uint32_t stream, uint64_t bytes);
bool audioChannelSetPosition(uint32_t stream, uint64_t bytes, uint32_t mode);
// The music's length in bytes (whole sample frames); positions from 0 up to
// below it can be set. uint64_t(-1) on failure.
uint64_t audioChannelGetLength(uint32_t stream, uint32_t mode);
// The position being heard, in bytes: offset minus the device's latency, moving
// smoothly (once the first sound is heard, carried forward on the monotonic
// clock from the mixer's last figure for as long as the source plays, so a
// mixer starved of processor time does not stop the clock) and never backwards
// within a pass; after the end of the music it goes on advancing in real time,
// as silence would.
uint64_t audioChannelGetPosition(uint32_t stream, uint32_t mode);
// Glides the attribute to value over ms milliseconds; the glide follows the
// monotonic clock and is applied whenever the stream is asked about it.
bool audioChannelSlideAttribute(uint32_t stream, uint32_t attribute, float value, uint32_t ms);
bool audioChannelIsSliding(uint32_t stream, uint32_t attribute);
// Releases the stream; the device stays open for another one.
bool audioStreamFree(uint32_t stream);
// Releases the stream and the device; harmless when nothing is open.
bool audioFree();

// For probes that compare the clock with the sound: the position the mixer
// reports being heard now (offset minus latency, in seconds), without the
// smoothing of audioChannelGetPosition, and the latency it subtracted; -1 when
// the stream is not playing.
double audioChannelHeardSeconds(uint32_t stream, double* latencySeconds);
// The mixer's update period in seconds (its look-ahead is a few of these).
double audioMixPeriodSeconds();
