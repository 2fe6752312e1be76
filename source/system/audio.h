#pragma once
// The show's music: one track, loaded from the data file system, played through the sound
// output, and the playback position that serves as the show's clock in live mode.
// All functions run on the main thread.
//
// The "channel" is the loaded music's playing or paused state. There is none before a
// load, after a load of a file that could not be opened, and after the music has ended;
// channel operations then do nothing and queries answer 0 / not paused.
// A file that opens but does not decode still gets a channel: a silent clock without end,
// so the show goes on.
#include <cstddef>
#include <string>

extern double gMusicVolume;  // applied whenever playback is (re)started; 1.0 initially

// Headless runs and tests: when set before Audio_Init, no sound device is opened and a
// silent output paced by the steady clock plays instead. It is also used whenever no
// device can be opened.
void Audio_SetNullOutput(bool useNullOutput);

void Audio_Init();
// Makes fileName the loaded music, paused at its start. Loading the name already loaded
// does nothing and returns true. A file that cannot be opened stops the old music, logs
// "Couldn't load audio file '...'" and returns false (its name still counts as loaded).
bool Audio_Load(const std::string& fileName);
// Starts the music from its start if the channel is paused, at volume gMusicVolume.
void Audio_Play();
// Per-frame service: resumes paused music at its position when the music file changes on
// disk, sets gQuit once the end of the music has been heard, and returns the position in
// seconds (whole milliseconds, in single precision). After the end it stays at the length.
double Audio_Update();
void Audio_Shutdown();

bool Audio_HasChannel();
bool Audio_IsPaused();
void Audio_SetPaused(bool paused);
unsigned Audio_GetPositionMs();
// Seeks, clamped to [0, length]: seeking past the end ends the music. Values above
// 2^31 are taken as a negative position wrapped around (a seek back from near the start
// computed in unsigned arithmetic) and go to 0.
void Audio_SetPositionMs(unsigned positionMs);
void Audio_SetVolume(float volume);

// The decoded music for muxing into recordings: interleaved stereo floats, valid until the
// next load or shutdown. False when no decoded music is loaded.
bool Audio_GetTrack(const float** interleavedStereo, size_t* frames, int* sampleRate);
