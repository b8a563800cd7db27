#include "document/Recording.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "document/OpenBody.h"
#include "document/Overview.h"
#include "document/WaveReader.h"
#include "wav/File.h"

namespace tw {

const char* const kMsgNoInputDevice = "No sound input was found. Connect a microphone or line input and try again.";
const char* const kMsgInputNotOpened =
    "The sound input cannot be opened at this format. Choose another input, rate or channel count.";
const char* const kMsgRecordLimit =
    "The recording reached the largest size Tarnwick can edit and was stopped. What was recorded is kept.";
const char* const kMsgRecordDiskFull = "The disk is full: the recording was stopped. What was recorded is kept.";
const char* const kMsgRecordNotWritten = "Can not create the file.";

namespace {

std::optional<std::uint64_t> systemFreeSpace(const std::string& dir)
{
    std::error_code error;
    const auto info = std::filesystem::space(dir, error);
    return error ? std::nullopt : std::optional<std::uint64_t>(info.available);
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

}  // namespace

std::unique_ptr<Recording> Recording::open(const RecordFormat& format, Messenger& messages)
{
    if (audio::inputDeviceNames().empty()) {
        messages.inform(kMsgNoInputDevice);
        return nullptr;
    }
    std::string error;
    auto input = audio::InputCapture::open(format.device, int(format.rate), int(format.channels), error);
    if (!input) {
        messages.inform(std::string(kMsgInputNotOpened) + " (" + error + ")");
        return nullptr;
    }
    return std::make_unique<Recording>(std::move(input));
}

Recording::Recording(std::unique_ptr<audio::InputCapture> input) : input_(std::move(input)) {}

Recording::~Recording()
{
    stop();
    input_->close();
}

bool Recording::start(const std::string& workPath, RecordOptions options)
{
    if (started())
        return false;
    options_ = std::move(options);
    if (!options_.freeSpace)
        options_.freeSpace = systemFreeSpace;
    path_ = workPath;
    dir_ = folderOf(workPath);
    removeFile(path_);
    File file = File::create(path_);
    if (!file || !writeWaveHeader(file, std::uint32_t(input_->rate()), std::uint32_t(input_->channels()), 16)) {
        file.close();
        removeFile(path_);
        return false;
    }
    file.close();
    left_ = roomLeft();
    paused_ = false;
    input_->setTaking(true);
    writer_ = std::thread([this] { write(); });
    return true;
}

void Recording::resume()
{
    paused_ = false;
    if (end_.load() == RecordEnd::Running && writer_.joinable())
        input_->setTaking(true);
}

std::uint64_t Recording::roomLeft() const
{
    const std::uint64_t size = frameSize();
    const std::uint64_t done = frames_.load();
    const std::uint64_t limitFrames = waveDataLimit(frameSize(), options_.limit) / size;
    std::uint64_t left = limitFrames > done ? limitFrames - done : 0;
    if (const auto free = options_.freeSpace(dir_))
        left = std::min(left, *free > kRecordDiskReserve ? (*free - kRecordDiskReserve) / size : 0);
    return left;
}

void Recording::write()
{
    using Clock = std::chrono::steady_clock;
    File file = File::openReadWrite(path_);
    const std::uint64_t size = frameSize();
    const std::size_t chunk = std::size_t(input_->rate()) / 10;
    std::vector<std::int16_t> buffer(chunk * std::size_t(input_->channels()));
    std::uint64_t frames = 0;
    std::uint64_t room = left_.load();
    auto patched = Clock::now();
    auto measured = Clock::now();
    RecordEnd end = RecordEnd::Running;
    bool ok = file && file.seek(kWaveHeaderSize);
    while (ok && end == RecordEnd::Running) {
        std::uint64_t want = std::min<std::uint64_t>(chunk, room);
        if (options_.frameTarget)
            want = std::min(want, *options_.frameTarget - frames);
        // Read before looking at the stop request: what came before it is kept.
        const bool stopping = stopping_.load();
        const std::size_t n = input_->read(buffer.data(), std::size_t(want));
        if (n > 0) {
            if (!file.write(buffer.data(), n * size)) {
                // Back to the last whole frame written.
                ok = ::ftruncate(file.fd(), off_t(kWaveHeaderSize + frames * size)) == 0;
                end = RecordEnd::DiskFull;
                break;
            }
            frames += n;
            room -= n;
            frames_.store(frames);
        }
        if (options_.frameTarget && frames >= *options_.frameTarget)
            end = RecordEnd::Target;
        else if (room == 0)
            end = waveDataLimit(frameSize(), options_.limit) / size <= frames ? RecordEnd::Limit
                                                                              : RecordEnd::DiskFull;
        else if (stopping && n == 0)
            end = RecordEnd::Stopped;
        const auto now = Clock::now();
        if (now - measured >= std::chrono::milliseconds(250)) {
            room = roomLeft();
            measured = now;
        }
        left_.store(room);
        if (now - patched >= options_.patchEvery) {
            patchWaveSizes(file);
            patched = now;
        }
        if (n == 0 && end == RecordEnd::Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    input_->setTaking(false);
    if (file)
        patchWaveSizes(file);
    end_.store(end == RecordEnd::Running ? RecordEnd::DiskFull : end);
}

RecordStatus Recording::status() const
{
    RecordStatus s;
    s.frames = frames_.load();
    s.framesLeft = left_.load();
    s.overruns = input_->overruns();
    s.lostFrames = input_->lostFrames();
    s.end = end_.load();
    return s;
}

RecordStatus Recording::stop()
{
    if (writer_.joinable()) {
        input_->setTaking(false);
        stopping_ = true;
        writer_.join();
        ended_ = true;
    }
    return status();
}

void Recording::discard()
{
    stop();
    if (!path_.empty())
        removeFile(path_);
}

bool readRecording(DocumentState& doc, Progress& progress, Messenger& messages)
{
    doc.workPath = doc.tempDir + kWorkFileName;
    doc.sourcePath.clear();
    doc.sourceBitrate = 0;
    doc.zoom = kStartZoom;
    auto work = readWorkFile(doc, messages);
    if (!work)
        return false;
    rebuildOverview(*work, doc, progress, {1, ColumnPercent::Fraction});
    return true;
}

std::string recordingFileName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "Recording %Y-%m-%d %H-%M-%S.wav", &local);
    return text;
}

}  // namespace tw
