// Placeholder until the audio layer lands: every call fails safely.
#include "app/audio/bass.h"

extern "C" {
DWORD BASS_GetVersion() { return BASSVERSION << 16; }
BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) { return FALSE; }
BOOL BASS_Free() { return TRUE; }
HSTREAM BASS_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) { return 0; }
HSTREAM BASS_WMA_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) { return 0; }
BOOL BASS_StreamFree(HSTREAM) { return FALSE; }
BOOL BASS_ChannelGetInfo(DWORD, BASS_CHANNELINFO*) { return FALSE; }
QWORD BASS_ChannelGetLength(DWORD, DWORD) { return BASS_ERROR_QWORD; }
double BASS_ChannelBytes2Seconds(DWORD, QWORD) { return -1; }
QWORD BASS_StreamGetFilePosition(HSTREAM, DWORD) { return BASS_ERROR_QWORD; }
DWORD BASS_ChannelGetData(DWORD, void*, DWORD) { return BASS_ERROR_DWORD; }
QWORD BASS_ChannelGetPosition(DWORD, DWORD) { return BASS_ERROR_QWORD; }
BOOL BASS_ChannelSetPosition(DWORD, QWORD, DWORD) { return FALSE; }
DWORD BASS_ChannelIsActive(DWORD) { return BASS_ACTIVE_STOPPED; }
BOOL BASS_ChannelPlay(DWORD, BOOL) { return FALSE; }
BOOL BASS_ChannelPause(DWORD) { return FALSE; }
BOOL BASS_ChannelStop(DWORD) { return FALSE; }
DWORD BASS_ChannelGetLevel(DWORD) { return 0; }
}
