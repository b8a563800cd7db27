#include "export/ExportBody.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/SourceKind.h"
#include "document/WaveHeader.h"
#include "export/ChunkEncoder.h"
#include "export/WavToMp3.h"
#include "export/WavToWma.h"
#include "wav/File.h"

namespace tw {

namespace {

constexpr std::size_t kCopyBlock = 4 << 20;

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool syncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The file a save replaces: the one a symbolic link names, else the target.
std::string destinationOf(const std::string& target)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return target;
}

class Mp3Encoder final : public ChunkEncoder {
public:
    Mp3Encoder(Messenger& messages, const std::string& library) : mp3_(messages, library) {}
    int open(const std::string& path, const DocumentState& doc, std::uint32_t bitrate)
    {
        // Any count but one is stored as two channels.
        return mp3_.Open(path, doc.sampleRate, doc.channels == 1 ? 4 : 1, bitrate, false, false, false, false);
    }
    bool step(const std::int16_t* samples, std::size_t bytes) override { return mp3_.EncodeChunk(samples, bytes) >= 0; }
    bool finish() override { return mp3_.Close(); }

private:
    WavToMp3 mp3_;
};

class WmaEncoder final : public ChunkEncoder {
public:
    WmaEncoder(Messenger& messages, const std::string& module) : messages_(messages), wma_(messages, module) {}
    int open(const std::string& path, const DocumentState& doc, std::uint32_t bitrate)
    {
        const auto bitsPerSecond = static_cast<std::uint32_t>(std::min<std::uint64_t>(bitrate * 1000ull, UINT32_MAX));
        return wma_.Open(path, doc.sampleRate, doc.channels == 1 ? 1 : 2, bitsPerSecond);
    }
    bool step(const std::int16_t* samples, std::size_t bytes) override
    {
        if (wma_.WriteChunk(reinterpret_cast<const std::uint8_t*>(samples), static_cast<std::uint32_t>(bytes)))
            return true;
        messages_.inform(kMsgCannotCreateFile);  // never a silent failure
        return false;
    }
    bool finish() override { return wma_.Close(); }

private:
    Messenger& messages_;
    WavToWma wma_;
};

enum class Loop { Done, Stopped, StepFailed, NoWorkFile };

// Hands the document's samples to the encoder chunk by chunk, 8-bit samples
// widened to 16 bits as (b - 128) × 32767 / 128.
Loop encodeLoop(const DocumentState& doc, ChunkEncoder& encoder, int chunk, Progress& progress)
{
    File work = File::openRead(doc.workPath);
    if (!work || !work.seek(doc.dataOffset))
        return Loop::NoWorkFile;
    const std::size_t chunkBytes = static_cast<std::size_t>(chunk) / 2 * 2;
    std::vector<std::int16_t> samples(chunkBytes / 2);
    std::vector<std::uint8_t> bytes(chunkBytes / 2);
    const bool eightBit = doc.bitsPerSample == 8;
    std::uint32_t consumed = 0;
    while (consumed < doc.dataLength) {
        std::size_t got = 0;
        std::size_t out = 0;
        if (eightBit) {
            got = work.read(bytes.data(), std::min<std::size_t>(bytes.size(), doc.dataLength - consumed));
            for (std::size_t i = 0; i < got; ++i)
                samples[i] = static_cast<std::int16_t>((int{bytes[i]} - 128) * 32767 / 128);
            out = got * 2;
        } else {
            got = work.read(samples.data(), std::min<std::size_t>(chunkBytes, doc.dataLength - consumed)) / 2 * 2;
            out = got;
        }
        if (got == 0)
            break;
        if (!encoder.step(samples.data(), out))
            return Loop::StepFailed;
        consumed += static_cast<std::uint32_t>(got);
        progress.setBar(0, static_cast<int>(static_cast<double>(consumed) * 100.0 / doc.dataLength));
        progress.pump();
        if (progress.stopRequested())
            return Loop::Stopped;
    }
    return Loop::Done;
}

ExportResult exportEncoded(DocumentState& doc, const std::string& target, bool mp3, Progress& progress,
                           Messenger& messages, const ExportLibraries& libraries)
{
    const std::string destination = destinationOf(target);
    const std::string temp = temporaryOutputName(destination);
    removeFile(temp);  // one a broken-off save left behind
    if (doc.sourceBitrate == 0)
        doc.sourceBitrate = mp3 ? 128 : 96;  // kept for later saves
    std::uint32_t bitrate = doc.sourceBitrate;
    if (mp3 && doc.sampleRate <= 11025 && bitrate > 64)
        bitrate = 64;  // for this export only

    std::unique_ptr<ChunkEncoder> encoder;
    int chunk = -1;
    if (mp3) {
        auto e = std::make_unique<Mp3Encoder>(messages, libraries.lame);
        chunk = e->open(temp, doc, bitrate);
        encoder = std::move(e);
    } else {
        auto e = std::make_unique<WmaEncoder>(messages, libraries.wmaWriter);
        chunk = e->open(temp, doc, bitrate);
        encoder = std::move(e);
    }
    if (chunk <= 0) {
        encoder.reset();
        removeFile(temp);
        return ExportResult::NotStarted;
    }
    const Loop loop = encodeLoop(doc, *encoder, chunk, progress);
    const bool finished = encoder->finish();
    encoder.reset();
    if (loop == Loop::Done && finished && replaceTarget(temp, target))
        return ExportResult::Completed;
    // A partial or failed output never replaces the target.
    removeFile(temp);
    if (loop == Loop::NoWorkFile)
        return ExportResult::NotStarted;
    if (loop == Loop::Stopped)
        return ExportResult::Stopped;
    if (loop == Loop::Done)
        messages.inform(kMsgCannotCreateFile);  // the output could not be completed
    return ExportResult::StepFailed;
}

// The work file as it is, or (part) a header of its format and the bytes of
// doc's data only.
ExportResult exportWave(const DocumentState& doc, const std::string& target, Progress& progress, Messenger& messages,
                        bool part = false)
{
    File work = File::openRead(doc.workPath);
    if (!work)
        return ExportResult::NotStarted;
    const std::string temp = temporaryOutputName(destinationOf(target));
    removeFile(temp);  // one a broken-off save left behind
    File out = File::createNew(temp);
    if (!out) {
        messages.inform(kMsgCannotCreateFile);
        return ExportResult::NotStarted;
    }
    const std::uint64_t from = part ? doc.dataOffset : 0;
    const std::uint64_t size = part ? doc.dataLength : work.size();
    const std::uint64_t to = part ? kWaveHeaderSize : 0;
    bool written = true;
    if (part) {
        const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, size);
        written = out.write(header.data(), header.size());
    }
    for (std::uint64_t copied = 0; written && copied < size;) {
        const std::uint64_t n = std::min<std::uint64_t>(kCopyBlock, size - copied);
        written = copyAt(work, from + copied, out, to + copied, n);
        copied += n;
        progress.setBar(0, static_cast<int>(static_cast<double>(copied) * 100.0 / static_cast<double>(size)));
        progress.pump();
        if (progress.quitting()) {
            // Cancel does not stop a copy; the program ending does.
            out.close();
            removeFile(temp);
            return ExportResult::Stopped;
        }
    }
    if (written && out.close() && replaceTarget(temp, target))
        return ExportResult::Completed;
    out.close();
    removeFile(temp);
    messages.inform(kMsgCannotCreateFile);
    return ExportResult::StepFailed;
}

}  // namespace

std::string temporaryOutputName(const std::string& target)
{
    const auto slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "~" + name + ".tmp";
}

bool replaceTarget(const std::string& temp, const std::string& target)
{
    const std::string destination = destinationOf(target);
    struct stat st {};
    if (::stat(destination.c_str(), &st) == 0)
        ::chmod(temp.c_str(), st.st_mode & 07777);
    if (!syncPath(temp, O_RDONLY) || ::rename(temp.c_str(), destination.c_str()) != 0)
        return false;
    syncPath(folderOf(destination), O_RDONLY | O_DIRECTORY);
    return true;
}

namespace {

// Only a regular file (or none) is replaced by the output, never a folder, a
// device or a pipe: said before any work.
bool targetIsNoFile(const std::string& target, Messenger& messages)
{
    struct stat st {};
    if (::stat(destinationOf(target).c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return false;
    messages.inform(kMsgCannotCreateFile);
    return true;
}

bool encoded(SourceKind kind)
{
    return kind == SourceKind::Mp3 || kind == SourceKind::Wma;
}

}  // namespace

ExportResult runExportBody(DocumentState& doc, const std::string& target, Progress& progress, Messenger& messages,
                           const ExportLibraries& libraries)
{
    if (targetIsNoFile(target, messages))
        return ExportResult::NotStarted;
    const SourceKind kind = sourceKindOf(target);
    if (encoded(kind))
        return exportEncoded(doc, target, kind == SourceKind::Mp3, progress, messages, libraries);
    return exportWave(doc, target, progress, messages);
}

ExportResult runExportPart(const DocumentState& doc, std::uint32_t start, std::uint32_t count,
                           const std::string& target, Progress& progress, Messenger& messages,
                           const ExportLibraries& libraries)
{
    if (targetIsNoFile(target, messages))
        return ExportResult::NotStarted;
    DocumentState part = doc;
    part.dataOffset = start;
    part.dataLength = count;
    const SourceKind kind = sourceKindOf(target);
    if (encoded(kind))
        return exportEncoded(part, target, kind == SourceKind::Mp3, progress, messages, libraries);
    return exportWave(part, target, progress, messages, true);
}

}  // namespace tw
