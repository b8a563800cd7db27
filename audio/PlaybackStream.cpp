#include "audio/PlaybackStream.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tw::audio {

namespace {

// Fade length at start, pause, resume and seek: a few milliseconds, no clicks.
constexpr int rampFrames = 256;
// How long a halt waits for render() to finish its fade.
constexpr auto fadeTimeout = std::chrono::milliseconds(500);
constexpr double levelWindowSeconds = 0.02;

std::uint64_t playableFrames(const File& file, const WavLayout& layout)
{
    const std::uint64_t size = file.size();
    const std::uint64_t present = size > layout.dataOffset ? size - layout.dataOffset : 0;
    return std::min<std::uint64_t>(layout.dataLength, present) / std::uint64_t(layout.frameBytes());
}

// At least 0.75 s, and four times the device's latency: the feeder's head
// start, a quarter of the ring, then covers everything the device buffers.
std::size_t ringFrames(const OutputDevice& device)
{
    return std::size_t(std::max<std::int64_t>(std::int64_t(device.rate()) * 3 / 4, 4 * device.latencyFrames()));
}

QWORD playableBytes(const File& file, const WavLayout& layout)
{
    const std::uint64_t size = file.size();
    const std::uint64_t present = size > layout.dataOffset ? size - layout.dataOffset : 0;
    return std::min<std::uint64_t>(layout.dataLength, present);
}

}  // namespace

std::shared_ptr<PlaybackStream> PlaybackStream::open(const std::string& path, std::shared_ptr<OutputDevice> device)
{
    if (!device)
        return nullptr;
    auto file = std::make_unique<File>(File::openRead(path));
    if (!file->isOpen())
        return nullptr;
    const auto layout = readWavLayout(*file);
    if (!layout)
        return nullptr;
    auto stream = std::make_shared<PlaybackStream>(path, std::move(device), *layout, std::move(file));
    if (!stream->attached_ || !stream->feeder_.valid())
        return nullptr;
    return stream;
}

PlaybackStream::PlaybackStream(const std::string& path, std::shared_ptr<OutputDevice> device,
                               const WavLayout& layout, std::unique_ptr<File> file)
    : path_(path),
      device_(std::move(device)),
      layout_(layout),
      format_{layout.playChannels(), layout.bitsPerSample},
      file_(std::move(file)),
      frames_(playableFrames(*file_, layout_)),
      length_(playableBytes(*file_, layout_)),
      ring_(ringFrames(*device_)),
      feeder_(*file_, layout_, frames_, device_->rate(), ring_)
{
    if (!feeder_.valid())
        return;
    feeder_.restartAt(0);
    attached_ = device_->mixer().attach(this);
}

PlaybackStream::~PlaybackStream()
{
    if (attached_)
        device_->mixer().detach(this);
}

void PlaybackStream::render(float* out, int frames, std::int64_t deviceFrameEnd, bool previousLost) noexcept
{
    // The state first: a running state set after a seek shows its epoch.
    const int state = renderState_.load(std::memory_order_acquire);
    const std::uint64_t epoch = epoch_.load(std::memory_order_relaxed);
    if (epoch != renderEpoch_) {
        renderEpoch_ = epoch;
        consumed_ = 0;
        lastTaken_ = 0;
    }
    if (state != running && state != fading) {
        lastTaken_ = 0;
        return;
    }
    if (previousLost && lastTaken_ > 0) {
        // The device never played what the last pass took: this pass plays
        // it again, from the next unheard frame, with the same ramp.
        ring_.unconsume(std::size_t(lastTaken_));
        log_.dropLast(lastTaken_);
        consumed_ -= lastTaken_;
        gain_ = lastGain_;
    }
    ring_.release();
    lastGain_ = gain_;
    // Read the end flag before the fill level: what was queued before the
    // flag is then visible too.
    const bool allQueued = feeder_.allQueued();
    const std::size_t available = ring_.readable();
    const int n = int(std::min<std::size_t>(std::size_t(frames), available));
    constexpr float step = 1.0f / rampFrames;
    int taken = 0;
    bool faded = false;
    for (; taken < n; ++taken) {
        if (state == fading) {
            gain_ -= step;
            if (gain_ <= 0) {
                gain_ = 0;
                faded = true;
                break;
            }
        } else if (gain_ < 1) {
            gain_ = std::min(1.0f, gain_ + step);
        }
        const float* frame = ring_.peek(std::size_t(taken));
        out[2 * taken] += frame[0] * gain_;
        out[2 * taken + 1] += frame[1] * gain_;
    }
    // Frames the ring lacks are a gap of silence; the next pass goes on with
    // the next frame.
    if (taken > 0) {
        ring_.consume(std::size_t(taken));
        log_.add(deviceFrameEnd - frames, consumed_, taken);
        consumed_ += taken;
    }
    lastTaken_ = taken;
    if (state == fading && (faded || std::size_t(taken) == available)) {
        // Faded out, or nothing left to fade: rendering stops here.
        renderState_.store(idle, std::memory_order_release);
    } else if (taken == 0 && allQueued && available == 0) {
        // A pass after the last frames, so a lost last pass is played again.
        renderState_.store(ended, std::memory_order_release);
    }
}

bool PlaybackStream::sounding() const noexcept
{
    const int state = renderState_.load(std::memory_order_acquire);
    return state == running || state == fading || (state == ended && device_->heardFrames() < log_.end());
}

std::uint64_t PlaybackStream::heardFrame(std::int64_t deviceFrame) const
{
    const std::int64_t heard = log_.takenBy(deviceFrame);
    const std::uint64_t frame =
        startFrame_ + std::uint64_t(heard) * layout_.sampleRate / std::uint64_t(device_->rate());
    return std::min(frame, frames_);
}

bool PlaybackStream::endHeard() const
{
    if (renderState_.load(std::memory_order_acquire) != ended)
        return false;
    return device_->heardFrames() >= log_.end();
}

bool PlaybackStream::isRunning() const
{
    const int state = renderState_.load(std::memory_order_acquire);
    return mode_ == Mode::playing && (state == running || state == fading);
}

void PlaybackStream::haltRendering()
{
    int expected = running;
    if (!renderState_.compare_exchange_strong(expected, fading))
        return;
    const auto giveUp = std::chrono::steady_clock::now() + fadeTimeout;
    while (renderState_.load() == fading && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    expected = fading;
    if (renderState_.compare_exchange_strong(expected, idle))
        device_->mixer().waitForRenderPass();  // the device stalled: stop without the fade
}

void PlaybackStream::silence()
{
    if (device_->latencyFrames() > 0 && sounding() && !device_->mixer().othersSounding(this)) {
        // The fade would only be dropped with the rest.
        renderState_.store(idle, std::memory_order_release);
        if (const auto heard = device_->dropQueued()) {
            seekTo(heardFrame(*heard));  // render() stays idle: the seek may touch the ring
            return;
        }
        device_->mixer().waitForRenderPass();  // the device keeps its queue
        return;
    }
    haltRendering();
}

void PlaybackStream::seekTo(std::uint64_t frame)
{
    // render() is idle here: it touches neither the ring nor the log.
    renderState_.store(idle);
    feeder_.restartAt(frame);
    startFrame_ = std::min(frame, frames_);
    log_.clear();
    epoch_.fetch_add(1, std::memory_order_relaxed);
}

void PlaybackStream::startRendering()
{
    gain_ = 0;
    renderState_.store(running, std::memory_order_release);
    mode_ = Mode::playing;
}

void PlaybackStream::info(BASS_CHANNELINFO& out) const
{
    out = BASS_CHANNELINFO{};
    out.freq = layout_.sampleRate;
    out.chans = DWORD(layout_.playChannels());
    out.flags = layout_.bitsPerSample == 8 ? BASS_SAMPLE_8BITS : 0;
    out.origres = layout_.bitsPerSample;
    out.filename = path_.c_str();
}

QWORD PlaybackStream::filePosition(DWORD mode) const
{
    if (mode == BASS_FILEPOS_END)
        return file_->size();
    if (mode == BASS_FILEPOS_CURRENT) {
        const std::lock_guard lock(control_);
        return layout_.dataOffset + heardFrame() * std::uint64_t(layout_.frameBytes());
    }
    return BASS_ERROR_QWORD;
}

QWORD PlaybackStream::position()
{
    const std::lock_guard lock(control_);
    if (mode_ == Mode::playing && endHeard())
        return frames_ * std::uint64_t(layout_.frameBytes());
    return heardFrame() * std::uint64_t(layout_.frameBytes());
}

DWORD PlaybackStream::isActive()
{
    const std::lock_guard lock(control_);
    switch (mode_) {
    case Mode::paused:
        return BASS_ACTIVE_PAUSED;
    case Mode::playing:
        return endHeard() ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING;
    case Mode::stopped:
        break;
    }
    return BASS_ACTIVE_STOPPED;
}

bool PlaybackStream::setPosition(QWORD pos)
{
    const std::lock_guard lock(control_);
    const bool wasRunning = isRunning();
    haltRendering();
    seekTo(std::min<std::uint64_t>(pos / std::uint64_t(layout_.frameBytes()), frames_));
    if (wasRunning)
        startRendering();
    else if (mode_ == Mode::playing)
        mode_ = Mode::stopped;  // it had played to the end
    return true;
}

bool PlaybackStream::play(bool restart)
{
    const std::lock_guard lock(control_);
    if (restart) {
        haltRendering();
        seekTo(0);
    } else if (isRunning()) {
        return true;
    }
    startRendering();
    return true;
}

bool PlaybackStream::pause()
{
    const std::lock_guard lock(control_);
    if (!isRunning())
        return false;
    silence();
    mode_ = Mode::paused;
    return true;
}

bool PlaybackStream::stop()
{
    const std::lock_guard lock(control_);
    silence();
    mode_ = Mode::stopped;
    return true;
}

bool PlaybackStream::readHeard(std::vector<std::uint8_t>& buffer, std::size_t count) const
{
    const std::size_t frameBytes = std::size_t(format_.frameBytes());
    const std::uint64_t end = heardFrame();
    const std::uint64_t first = end > count ? end - count : 0;
    const std::size_t missing = count - std::size_t(end - first);
    buffer.assign(count * frameBytes, 0);
    if (format_.bits == 8)
        std::fill_n(buffer.begin(), missing * frameBytes, std::uint8_t(128));
    const std::size_t bytes = std::size_t(end - first) * frameBytes;
    return file_->readAt(buffer.data() + missing * frameBytes, bytes, layout_.dataOffset + first * frameBytes) == bytes;
}

DWORD PlaybackStream::level()
{
    const std::lock_guard lock(control_);
    if (!isRunning() || endHeard())
        return 0;
    const auto count = std::max<std::size_t>(1, std::size_t(layout_.sampleRate * levelWindowSeconds));
    std::vector<std::uint8_t> pcm;
    if (!readHeard(pcm, count))
        return 0;
    return peakLevel(pcm.data(), count, format_);
}

DWORD PlaybackStream::getData(void* buffer, DWORD length)
{
    if (length != BASS_DATA_FFT1024 || !buffer)
        return BASS_ERROR_DWORD;
    auto* magnitudes = static_cast<float*>(buffer);
    const std::lock_guard lock(control_);
    std::vector<std::uint8_t> pcm;
    if (mode_ == Mode::stopped || !readHeard(pcm, Spectrum::size)) {
        std::fill_n(magnitudes, Spectrum::bins, 0.0f);
        return Spectrum::bins * sizeof(float);
    }
    std::array<float, Spectrum::size> mono{};
    for (std::size_t i = 0; i < mono.size(); ++i) {
        int sum = 0;
        for (int c = 0; c < format_.channels; ++c)
            sum += sampleAt(pcm.data(), format_, i, c);
        mono[i] = float(sum) / (32768.0f * float(format_.channels));
    }
    spectrum_.compute(mono.data(), magnitudes);
    return Spectrum::bins * sizeof(float);
}

}  // namespace tw::audio
