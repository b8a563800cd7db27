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
      ring_(std::size_t(device_->rate()) * 3 / 4),
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

void PlaybackStream::render(float* out, int frames, std::int64_t deviceFrameEnd) noexcept
{
    const int state = renderState_.load(std::memory_order_acquire);
    if (state != running && state != fading)
        return;
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
    if (taken > 0) {
        ring_.consume(std::size_t(taken));
        consumed_.fetch_add(taken, std::memory_order_relaxed);
        lastDeviceFrame_.store(deviceFrameEnd - frames + taken, std::memory_order_relaxed);
    }
    if (state == fading && (faded || std::size_t(taken) == available)) {
        // Faded out, or nothing left to fade: rendering stops here.
        renderState_.store(idle, std::memory_order_release);
    } else if (taken < frames && allQueued && std::size_t(taken) == available) {
        renderState_.store(ended, std::memory_order_release);
    }
}

std::uint64_t PlaybackStream::heardFrame() const
{
    const std::int64_t consumed = consumed_.load();
    const std::int64_t sinceLast = device_->renderedFrames() - lastDeviceFrame_.load();
    const std::int64_t unheard = std::max<std::int64_t>(0, device_->latencyFrames() - sinceLast);
    const std::int64_t heard = std::max<std::int64_t>(0, consumed - unheard);
    const std::uint64_t frame =
        startFrame_ + std::uint64_t(heard) * layout_.sampleRate / std::uint64_t(device_->rate());
    return std::min(frame, frames_);
}

bool PlaybackStream::endHeard() const
{
    if (renderState_.load(std::memory_order_acquire) != ended)
        return false;
    const std::int64_t sinceLast = device_->renderedFrames() - lastDeviceFrame_.load();
    return sinceLast >= device_->latencyFrames();
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

void PlaybackStream::seekTo(std::uint64_t frame)
{
    // render() is idle here: nothing else touches the ring or the counters.
    renderState_.store(idle);
    feeder_.restartAt(frame);
    startFrame_ = std::min(frame, frames_);
    consumed_.store(0);
    lastDeviceFrame_.store(device_->renderedFrames());
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
    haltRendering();
    mode_ = Mode::paused;
    return true;
}

bool PlaybackStream::stop()
{
    const std::lock_guard lock(control_);
    haltRendering();
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
