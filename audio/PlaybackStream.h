// A playback stream on a PCM .wav work file. The control calls run on any
// thread; render() runs on the device thread and only touches the ring and
// atomics. Positions are bytes of the data chunk, as heard.
#pragma once

#include "audio/Channel.h"
#include "audio/FrameRing.h"
#include "audio/Mixer.h"
#include "audio/OutputDevice.h"
#include "wav/File.h"
#include "audio/PcmSamples.h"
#include "audio/RenderLog.h"
#include "audio/Spectrum.h"
#include "audio/StreamFeeder.h"
#include "audio/WavLayout.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tw::audio {

class PlaybackStream final : public Channel, public MixerInput {
public:
    // Null when the file is not a playable PCM .wav or the device is full.
    static std::shared_ptr<PlaybackStream> open(const std::string& path, std::shared_ptr<OutputDevice> device);

    PlaybackStream(const std::string& path, std::shared_ptr<OutputDevice> device, const WavLayout& layout,
                   std::unique_ptr<File> file);
    ~PlaybackStream() override;

    void info(BASS_CHANNELINFO& out) const override;
    QWORD length() const override { return length_; }
    double bytesPerSecond() const override { return double(layout_.sampleRate) * layout_.frameBytes(); }
    QWORD filePosition(DWORD mode) const override;
    QWORD position() override;
    DWORD isActive() override;
    DWORD getData(void* buffer, DWORD length) override;
    bool setPosition(QWORD pos) override;
    bool play(bool restart) override;
    bool pause() override;
    bool stop() override;
    DWORD level() override;

    void render(float* out, int frames, std::int64_t deviceFrameEnd, bool previousLost) noexcept override;
    bool sounding() const noexcept override;

private:
    enum class Mode { stopped, playing, paused };
    enum RenderState : int { idle, running, fading, ended };

    // All under control_.
    std::uint64_t heardFrame() const { return heardFrame(device_->heardFrames()); }
    std::uint64_t heardFrame(std::int64_t deviceFrame) const;
    bool endHeard() const;
    bool isRunning() const;
    void haltRendering();
    // Stop and Pause: rendering stops and, when nothing else sounds, the
    // device drops what it has not played, so the sound ends now; the stream
    // then goes on from the frame heard last.
    void silence();
    void seekTo(std::uint64_t frame);
    void startRendering();
    // Reads up to count frames ending at the heard position into buffer,
    // zero-filling before the start of the data; returns false on failure.
    bool readHeard(std::vector<std::uint8_t>& buffer, std::size_t count) const;

    const std::string path_;
    const std::shared_ptr<OutputDevice> device_;
    const WavLayout layout_;
    const PcmFormat format_;
    const std::unique_ptr<File> file_;
    const std::uint64_t frames_;  // whole frames present in the file
    const QWORD length_;
    FrameRing ring_;
    StreamFeeder feeder_;
    bool attached_ = false;

    mutable std::mutex control_;
    Mode mode_ = Mode::stopped;
    std::uint64_t startFrame_ = 0;  // source frame where the ring's content starts
    Spectrum spectrum_;

    // Shared with render().
    std::atomic<int> renderState_{idle};
    std::atomic<std::uint64_t> epoch_{0};  // a new one at each seek
    RenderLog log_;                        // ring frames taken since startFrame_, by device frame
    float gain_ = 0;                       // render()'s own, while it runs

    // render()'s own.
    std::uint64_t renderEpoch_ = 0;
    std::int64_t consumed_ = 0;   // ring frames taken since startFrame_
    std::int64_t lastTaken_ = 0;  // by the last pass, kept in the ring until this pass
    float lastGain_ = 0;          // at the start of the last pass
};

}  // namespace tw::audio
