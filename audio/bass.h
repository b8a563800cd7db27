// The audio library layer: decoding, playback, position, level and FFT data.
//
// Handles are 32-bit and 0 means failure. Positions and lengths are bytes of
// 16-bit (or 8-bit) interleaved PCM. Every call is safe on handle 0, on a freed
// handle and on a handle of the wrong kind: it then returns 0, -1 or FALSE.
// The calls may be made from any thread.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
using BOOL = int;
using HSTREAM = DWORD;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// BASS_GetVersion: high word is the interface version.
constexpr DWORD BASSVERSION = 0x204;

// Stream and sample flags.
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_MONO = 2;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;

// Position modes.
constexpr DWORD BASS_POS_BYTE = 0;

// BASS_StreamGetFilePosition modes.
constexpr DWORD BASS_FILEPOS_CURRENT = 0;
constexpr DWORD BASS_FILEPOS_END = 2;

// BASS_ChannelGetData special lengths.
constexpr DWORD BASS_DATA_FFT1024 = 0x80000002;

// BASS_ChannelIsActive results.
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_STALLED = 2;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// Error value of the calls that return a DWORD or QWORD count.
constexpr DWORD BASS_ERROR_DWORD = 0xFFFFFFFFu;
constexpr QWORD BASS_ERROR_QWORD = ~QWORD{0};

struct BASS_CHANNELINFO {
    DWORD freq = 0;   // sample rate in Hz
    DWORD chans = 0;  // 1 or 2
    DWORD flags = 0;  // BASS_SAMPLE_8BITS for 8-bit output, BASS_STREAM_DECODE for decoders
    DWORD ctype = 0;  // reserved, 0
    DWORD origres = 0;  // bits per sample of the source, 0 when not known
    const char* filename = nullptr;  // the path the stream was opened on (valid while it lives)
};

extern "C" {

// 0x0204xxxx.
DWORD BASS_GetVersion();

// device -1: the default output device (PortAudio); 0: the silent device,
// which plays nothing but advances positions in real time. With the
// environment variable TARNWICK_AUDIO=none, -1 behaves as 0.
// win and clsid are accepted and ignored.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);

// Stops and frees every stream and closes the device. Safe to call twice.
BOOL BASS_Free();

// mem must be FALSE; file is a UTF-8 path; offset and length 0 (whole file).
// flags 0: a playback stream on a PCM .wav file (8/16-bit, 1/2 channels).
// flags BASS_STREAM_DECODE: a decoding stream on an MP3 (or any audio FFmpeg decodes).
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
// Decoding stream on a WMA file (BASS_STREAM_DECODE expected in flags).
HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
// The same, with proc called now and then while the stream is made (the
// exact length of a file without packet durations, such as WMA, takes a
// decoding pass): it may pump window messages, and FALSE abandons the
// creation, which then returns 0.
using STREAMCREATEPROC = BOOL(void* user);
HSTREAM BASS_StreamCreateFileEx(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                STREAMCREATEPROC* proc, void* user);
HSTREAM BASS_WMA_StreamCreateFileEx(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                    STREAMCREATEPROC* proc, void* user);
BOOL BASS_StreamFree(HSTREAM handle);

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
// Length in bytes (mode BASS_POS_BYTE); BASS_ERROR_QWORD on failure.
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
// mode BASS_FILEPOS_END: file size in bytes; BASS_ERROR_QWORD on failure.
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);

// Decoding streams: copies up to length bytes (whole frames) and returns the
// count. Playback streams: length BASS_DATA_FFT1024 fills 512 floats.
// BASS_ERROR_DWORD on failure.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Decoding: bytes delivered. Playback: the byte position being heard.
// BASS_ERROR_QWORD on failure.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// Rounds down to a whole frame; clamps past the end.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);

// BASS_ACTIVE_*: a decoder is PLAYING until all its data was delivered.
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
// Peak of the last ~20 ms heard: left in the low word, right in the high
// word, 0..32768. 0 when not playing or on failure.
DWORD BASS_ChannelGetLevel(DWORD handle);

}  // extern "C"
