// The BASS_* calls: argument checks and dispatch to the stream behind a handle.
#include "audio/bass.h"

#include "audio/AudioLayer.h"

#include <string>

using tw::audio::AudioLayer;

namespace {

// wma: the WMA entry points, whose files are never MPEG audio for libmpg123.
HSTREAM createFromFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                       STREAMCREATEPROC* proc = nullptr, void* user = nullptr, bool wma = false)
{
    if (mem || !file || offset != 0 || length != 0)
        return 0;
    const std::string path(static_cast<const char*>(file));
    if (path.empty())
        return 0;
    AudioLayer& layer = AudioLayer::instance();
    if (!(flags & BASS_STREAM_DECODE))
        return layer.createPlayback(path);
    tw::audio::KeepGoing keepGoing;
    if (proc)
        keepGoing = [proc, user] { return proc(user) != FALSE; };
    return layer.createDecoder(path, keepGoing, !wma);
}

}  // namespace

extern "C" {

DWORD BASS_GetVersion()
{
    return BASSVERSION << 16;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*)
{
    return AudioLayer::instance().init(device, freq) ? TRUE : FALSE;
}

BOOL BASS_Free()
{
    return AudioLayer::instance().free() ? TRUE : FALSE;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    return createFromFile(mem, file, offset, length, flags);
}

HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    return createFromFile(mem, file, offset, length, flags | BASS_STREAM_DECODE, nullptr, nullptr, true);
}

HSTREAM BASS_StreamCreateFileEx(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                STREAMCREATEPROC* proc, void* user)
{
    return createFromFile(mem, file, offset, length, flags, proc, user);
}

HSTREAM BASS_WMA_StreamCreateFileEx(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                    STREAMCREATEPROC* proc, void* user)
{
    return createFromFile(mem, file, offset, length, flags | BASS_STREAM_DECODE, proc, user, true);
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    return AudioLayer::instance().release(handle) ? TRUE : FALSE;
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info)
{
    const auto channel = AudioLayer::instance().find(handle);
    if (!channel || !info)
        return FALSE;
    channel->info(*info);
    return TRUE;
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && mode == BASS_POS_BYTE ? channel->length() : BASS_ERROR_QWORD;
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    const auto channel = AudioLayer::instance().find(handle);
    if (!channel || channel->bytesPerSecond() <= 0)
        return -1;
    return double(pos) / channel->bytesPerSecond();
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel ? channel->filePosition(mode) : BASS_ERROR_QWORD;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel ? channel->getData(buffer, length) : BASS_ERROR_DWORD;
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && mode == BASS_POS_BYTE ? channel->position() : BASS_ERROR_QWORD;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && mode == BASS_POS_BYTE && channel->setPosition(pos) ? TRUE : FALSE;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel ? channel->isActive() : BASS_ACTIVE_STOPPED;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && channel->play(restart != FALSE) ? TRUE : FALSE;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && channel->pause() ? TRUE : FALSE;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel && channel->stop() ? TRUE : FALSE;
}

DWORD BASS_ChannelGetLevel(DWORD handle)
{
    const auto channel = AudioLayer::instance().find(handle);
    return channel ? channel->level() : 0;
}

}  // extern "C"
