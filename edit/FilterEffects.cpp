#include "edit/FilterEffects.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "audio/FilterRun.h"
#include "core/Markers.h"
#include "document/ReloadBody.h"
#include "document/WaveHeader.h"

namespace tw {

namespace {

constexpr std::uint64_t kCopyBlock = 16 << 20;

std::string number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

double linear(double db)
{
    return std::pow(10.0, db / 20.0);
}

audio::PcmFormat formatOf(const DocumentState& doc)
{
    return {doc.channels, doc.sampleRate, doc.bitsPerSample};
}

std::uint64_t framesOf(const DocumentState& doc, const EditRange& range)
{
    const std::uint32_t frame = formatOf(doc).frameBytes();
    return frame == 0 ? 0 : range.bytes() / frame;
}

// Bar 0 over the frames read; false once the user asked to stop.
auto blockReport(Progress& progress, std::uint64_t frames)
{
    return [&progress, frames](std::uint64_t read) {
        progress.setBar(0, static_cast<int>(static_cast<double>(read) * 100.0 / std::max<double>(frames, 1)));
        progress.pump();
        return !progress.stopRequested() && !progress.quitting();
    };
}

// A new file in the private folder for an effect's result.
std::string resultPath(const DocumentState& doc, File& file)
{
    for (unsigned serial = 1;; ++serial) {
        std::string path = doc.tempDir + "effect-" + std::to_string(serial) + ".wav";
        file = File::createNew(path);
        if (file || errno != EEXIST || serial > 100000)
            return path;
    }
}

enum class Made { Done, Stopped, Failed };

// The range through the effect into a file of its own.
Made makeResult(const DocumentState& doc, const EditRange& range, const FilterEffect& effect, Progress& progress,
                std::shared_ptr<const ClipSound>& result)
{
    const audio::PcmFormat format = formatOf(doc);
    const std::uint64_t frames = framesOf(doc, range);
    const auto outFrames = static_cast<std::uint64_t>(std::llround(static_cast<double>(frames) / effect.speed));
    File work = File::openRead(doc.workPath);
    File out;
    const std::string path = resultPath(doc, out);
    if (!work || !out)
        return Made::Failed;
    audio::FilterRun run(format, effect.chain);
    const audio::FilterOutcome outcome = audio::runFilter(run, format, work, range.start, frames, &out,
                                                          kClipDataOffset, outFrames, blockReport(progress, frames));
    const std::uint64_t bytes = outFrames * format.frameBytes();
    const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, bytes);
    if (outcome != audio::FilterOutcome::Done || !out.writeAt(header.data(), header.size(), 0) || !out.close()) {
        out.close();
        removeFile(path);
        return outcome == audio::FilterOutcome::Stopped ? Made::Stopped : Made::Failed;
    }
    result = std::make_shared<const ClipSound>(path, doc.channels, doc.sampleRate, doc.bitsPerSample, bytes);
    return Made::Done;
}

std::optional<Loudness> measure(const File& in, std::uint64_t at, std::uint64_t frames,
                                const audio::PcmFormat& format, Progress& progress, bool& stopped)
{
    stopped = false;
    if (!in)
        return std::nullopt;
    audio::FilterRun run(format, "ebur128=peak=true:metadata=1");
    const audio::FilterOutcome outcome =
        audio::runFilter(run, format, in, at, frames, nullptr, 0, 0, blockReport(progress, frames));
    stopped = outcome == audio::FilterOutcome::Stopped;
    const auto integrated = run.lastValue("lavfi.r128.I");
    const auto lra = run.lastValue("lavfi.r128.LRA");
    const auto peak = run.lastValue("lavfi.r128.true_peak");
    // Below the absolute gate (-70 LUFS) nothing was measured.
    if (outcome != audio::FilterOutcome::Done || !integrated || !peak || !std::isfinite(*integrated) ||
        *integrated <= -69.9 || *peak <= 0)
        return std::nullopt;
    return Loudness{*integrated, lra.value_or(0), 20.0 * std::log10(*peak)};
}

// The level of the range's quiet parts: the tenth percentile of the RMS
// levels of its 50 ms blocks, in dBFS (-120 for digital silence).
std::optional<double> quietLevel(const DocumentState& doc, const EditRange& range)
{
    const std::uint32_t frameBytes = formatOf(doc).frameBytes();
    const std::uint64_t frames = framesOf(doc, range);
    const std::size_t block = std::max<std::size_t>(doc.sampleRate / 20, 1);
    File work = File::openRead(doc.workPath);
    if (!work || frames == 0)
        return std::nullopt;
    const bool eightBit = doc.bitsPerSample == 8;
    std::vector<std::uint8_t> bytes(block * frameBytes);
    std::vector<double> levels;
    for (std::uint64_t done = 0; done < frames; done += block) {
        const std::size_t n = std::min<std::uint64_t>(block, frames - done);
        if (work.readAt(bytes.data(), n * frameBytes, range.start + done * frameBytes) != n * frameBytes)
            return std::nullopt;
        double sum = 0;
        const std::size_t count = n * doc.channels;
        for (std::size_t i = 0; i < count; ++i) {
            const double v = eightBit ? (bytes[i] - 128) / 128.0
                                      : static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8) / 32768.0;
            sum += v * v;
        }
        levels.push_back(sum > 0 ? 10.0 * std::log10(sum / static_cast<double>(count)) : -120.0);
    }
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 10, levels.end());
    return levels[levels.size() / 10];
}

EditPass replacing()
{
    EditPass pass;
    pass.footprint = Footprint::Replaces;
    pass.toEnd = true;
    return pass;
}

}  // namespace

FilterEffect denoiseEffect(double reductionDb, double floorDb)
{
    return {"afftdn=nr=" + number(reductionDb) + ":nf=" + number(std::clamp(floorDb, -80.0, -20.0))};
}

FilterEffect tempoEffect(double percent)
{
    const double tempo = 1.0 + percent / 100.0;
    return {"rubberband=tempo=" + number(tempo), tempo};
}

FilterEffect pitchEffect(double semitones)
{
    return {"rubberband=pitch=" + number(std::pow(2.0, semitones / 12.0))};
}

FilterEffect speedEffect(double percent, std::uint32_t sampleRate)
{
    const double speed = 1.0 + percent / 100.0;
    const auto rate = static_cast<long long>(std::llround(sampleRate * speed));
    return {"asetrate=" + std::to_string(rate) + ",aresample=" + std::to_string(sampleRate),
            static_cast<double>(rate) / sampleRate};
}

FilterEffect bassTrebleEffect(double bassDb, double trebleDb)
{
    return {"bass=g=" + number(bassDb) + ",treble=g=" + number(trebleDb)};
}

FilterEffect highpassEffect(double hz, int slope)
{
    const std::string one = "highpass=f=" + number(hz) + ":p=2";
    return {slope >= 24 ? one + "," + one : one};
}

FilterEffect lowpassEffect(double hz, int slope)
{
    const std::string one = "lowpass=f=" + number(hz) + ":p=2";
    return {slope >= 24 ? one + "," + one : one};
}

FilterEffect compressorEffect(double thresholdDb, double ratio, double attackMs, double releaseMs, double makeupDb)
{
    return {"acompressor=threshold=" + number(linear(thresholdDb)) + ":ratio=" + number(ratio) +
            ":attack=" + number(attackMs) + ":release=" + number(releaseMs) + ":makeup=" + number(linear(makeupDb))};
}

FilterEffect gainEffect(double db)
{
    return {"volume=volume=" + number(db) + "dB:precision=double"};
}

FilterEffect limitedGainEffect(double db, double ceilingDb, std::uint32_t sampleRate)
{
    // Half a decibel below the ceiling: what the rate's way back adds to the
    // peaks stays under it.
    const std::string rate = std::to_string(sampleRate);
    return {"volume=volume=" + number(db) + "dB:precision=double,aresample=" + std::to_string(4ull * sampleRate) +
            ",alimiter=limit=" + number(std::clamp(linear(ceilingDb - 0.5), 0.0625, 1.0)) +
            ":attack=2:release=80:level=disabled:latency=1,aresample=" + rate};
}

EditRange effectRange(const DocumentState& doc)
{
    return passRange(doc, replacing());
}

std::optional<Loudness> measureLoudness(const DocumentState& doc, Progress& progress, bool& stopped)
{
    const EditRange range = effectRange(doc);
    return measure(File::openRead(doc.workPath), range.start, framesOf(doc, range), formatOf(doc), progress, stopped);
}

EditPass replacePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound)
{
    EditPass pass = replacing();
    pass.insertBytes = sound->bytes;
    pass.run = [sound](File& work, DocumentState& doc, const EditRange& range, Progress& progress,
                       std::uint64_t& shifted) {
        const std::uint64_t tail = doc.dataEnd - range.end;
        const std::uint64_t to = range.start + sound->bytes;
        const std::uint64_t end = to + tail;
        // The whole sound and the room first: either missing shows before a
        // byte moves.
        File in = File::openRead(sound->path);
        if (!in || in.size() < kClipDataOffset + sound->bytes ||
            (end > doc.dataEnd && ::posix_fallocate(work.fd(), 0, static_cast<off_t>(end)) != 0))
            return false;
        if (!(to > range.end ? moveUp(work, range.end, to, tail, progress, &shifted)
                             : moveDown(work, range.end, to, tail, progress, &shifted)))
            return false;
        for (std::uint64_t copied = 0; copied < sound->bytes;) {
            const std::uint64_t n = std::min<std::uint64_t>(kCopyBlock, sound->bytes - copied);
            if (!copyAt(in, kClipDataOffset + copied, work, range.start + copied, n))
                return false;
            copied += n;
            progress.pump();
        }
        progress.setBar(0, 100);
        return end == doc.dataEnd || endDataAt(work, doc, static_cast<std::uint32_t>(end));
    };
    const EditRange range = passRange(doc, pass);
    if (sound->bytes != range.bytes() && doc.frameSize > 0) {
        const std::uint64_t first = (range.start - doc.dataOffset) / doc.frameSize;
        const std::uint64_t frames = sound->bytes / doc.frameSize;
        pass.markersAfter = [first, frames](DocumentState& doc) { setMarkerFrames(doc, first, first + frames); };
    }
    return pass;
}

std::shared_ptr<const ClipSound> previewSound(const DocumentState& doc, const FilterEffect& effect, double seconds,
                                              Progress& progress)
{
    EditRange range = effectRange(doc);
    const std::uint64_t most = static_cast<std::uint64_t>(seconds * doc.sampleRate) * formatOf(doc).frameBytes();
    range.end = static_cast<std::uint32_t>(std::min<std::uint64_t>(range.end, range.start + most));
    std::shared_ptr<const ClipSound> result;
    if (range.bytes() == 0 || makeResult(doc, range, effect, progress, result) != Made::Done)
        return nullptr;
    return result;
}

EditResult runFilterEffectBody(DocumentState& doc, const FilterEffect& effect, Progress& progress,
                               Messenger& messages, UndoJournal* journal)
{
    const EditRange range = effectRange(doc);
    if (range.bytes() == 0 || formatOf(doc).frameBytes() == 0) {
        messages.inform(kMsgEmptyRange);
        return EditResult::Refused;
    }
    // The longest result the work file can take, before any work.
    const double frames = static_cast<double>(framesOf(doc, range));
    const double grown = std::round(frames / effect.speed) * formatOf(doc).frameBytes() - range.bytes();
    if (static_cast<double>(doc.dataEnd) + grown > static_cast<double>(kMaxWorkFileBytes)) {
        messages.inform(kMsgEffectTooLong);
        return EditResult::Refused;
    }
    std::shared_ptr<const ClipSound> result;
    switch (makeResult(doc, range, effect, progress, result)) {
    case Made::Stopped:
        return EditResult::Cancelled;
    case Made::Failed:
        messages.inform(kMsgEffectFailed);
        return EditResult::Refused;
    case Made::Done:
        break;
    }
    // The room on the disk before anything changes, as Paste checks it.
    if (const std::uint64_t end = doc.dataEnd - range.bytes() + result->bytes; end > doc.dataEnd) {
        if (File work = File::openReadWrite(doc.workPath);
            work && ::fallocate(work.fd(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(end)) != 0 && errno == ENOSPC) {
            messages.inform(kMsgCannotWriteTemp);
            return EditResult::Refused;
        }
    }
    progress.setBar(0, 0);
    return runEditBody(doc, replacePass(doc, result), progress, messages, journal);
}

EditResult runDenoiseBody(DocumentState& doc, double reductionDb, double floorDb, Progress& progress,
                          Messenger& messages, UndoJournal* journal)
{
    // The noise the range's quiet parts show, a little above, where it lies
    // above the given floor: afftdn reduces what lies under its floor.
    const auto quiet = quietLevel(doc, effectRange(doc));
    const double floor = quiet ? std::max(floorDb, *quiet + 3.0) : floorDb;
    return runFilterEffectBody(doc, denoiseEffect(reductionDb, floor), progress, messages, journal);
}

EditResult runLoudnessBody(DocumentState& doc, double targetLufs, double ceilingDb, Progress& progress,
                           Messenger& messages, UndoJournal* journal)
{
    const EditRange range = effectRange(doc);
    if (range.bytes() == 0 || formatOf(doc).frameBytes() == 0) {
        messages.inform(kMsgEmptyRange);
        return EditResult::Refused;
    }
    bool stopped = false;
    const auto measured = measureLoudness(doc, progress, stopped);
    if (stopped)
        return EditResult::Cancelled;
    if (!measured) {
        messages.inform(kMsgTooQuietToMeasure);
        return EditResult::Refused;
    }
    double gain = targetLufs - measured->integrated;
    if (measured->truePeak + gain <= ceilingDb) {
        progress.setBar(0, 0);
        return runFilterEffectBody(doc, gainEffect(gain), progress, messages, journal);
    }
    // The limiter takes some loudness away: the gain grows by what the last
    // try fell short, a few times at most, and the nearest try is kept.
    std::shared_ptr<const ClipSound> best;
    double bestMiss = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::shared_ptr<const ClipSound> result;
        switch (makeResult(doc, range, limitedGainEffect(gain, ceilingDb, doc.sampleRate), progress, result)) {
        case Made::Stopped:
            return EditResult::Cancelled;
        case Made::Failed:
            messages.inform(kMsgEffectFailed);
            return EditResult::Refused;
        case Made::Done:
            break;
        }
        const auto reached = measure(File::openRead(result->path), kClipDataOffset, framesOf(doc, range),
                                     formatOf(doc), progress, stopped);
        if (stopped)
            return EditResult::Cancelled;
        if (!reached)
            break;
        const double miss = targetLufs - reached->integrated;
        if (!best || std::abs(miss) < std::abs(bestMiss)) {
            best = result;
            bestMiss = miss;
        }
        if (std::abs(miss) <= 0.2)
            break;
        gain += miss;
    }
    if (!best) {
        messages.inform(kMsgEffectFailed);
        return EditResult::Refused;
    }
    progress.setBar(0, 0);
    return runEditBody(doc, replacePass(doc, best), progress, messages, journal);
}

}  // namespace tw
