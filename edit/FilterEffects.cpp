#include "edit/FilterEffects.h"

#include "edit/PassRecipes.h"

#include <fcntl.h>

#include <algorithm>
#include <charconv>
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

// With a point whatever the locale.
std::string number(double value)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr;
    return std::string(text, end);
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

// What a result that was not made ends the step as: nothing when it was.
std::optional<EditResult> unmade(Made made, Messenger& messages)
{
    if (made == Made::Done)
        return std::nullopt;
    if (made == Made::Stopped)
        return EditResult::Cancelled;
    messages.inform(kMsgEffectFailed);
    return EditResult::Refused;
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

std::optional<Loudness> measureLoudness(const DocumentState& doc, Progress& progress, bool& stopped)
{
    const EditRange range = effectRange(doc);
    return measure(File::openRead(doc.workPath), range.start, framesOf(doc, range), formatOf(doc), progress, stopped);
}

EditPass replacePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound)
{
    EditPass pass = replacing();
    pass.insertBytes = sound->bytes;
    pass.recipe = recipeText({"replace", fileWord(sound->path), std::to_string(sound->channels),
                              std::to_string(sound->sampleRate), std::to_string(sound->bitsPerSample),
                              std::to_string(sound->bytes)});
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
        if (!(to > range.end ? moveUp(work, range.end, to, tail, progress, &shifted, passMove(doc))
                             : moveDown(work, range.end, to, tail, progress, &shifted, passMove(doc))))
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

std::shared_ptr<const ClipSound> previewInsertedSilence(const DocumentState& doc, std::uint64_t frame, double silence,
                                                        double seconds)
{
    const std::uint32_t frameBytes = formatOf(doc).frameBytes();
    const auto total = static_cast<std::uint64_t>(seconds * doc.sampleRate);
    const std::uint64_t quiet = std::min(total, static_cast<std::uint64_t>(std::llround(silence * doc.sampleRate)));
    const std::uint64_t from = std::min<std::uint64_t>(frame, framesOf(doc, {.start = doc.dataOffset, .end = doc.dataEnd}));
    const std::uint64_t available = framesOf(doc, {.start = doc.dataOffset, .end = doc.dataEnd}) - from;
    const std::uint64_t sound = std::min(total - quiet, available);
    File work = File::openRead(doc.workPath);
    File out;
    const std::string path = resultPath(doc, out);
    if (!work || !out || frameBytes == 0)
        return nullptr;
    const std::uint64_t bytes = (quiet + sound) * frameBytes;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes), doc.bitsPerSample == 8 ? 128 : 0);
    const std::size_t soundBytes = static_cast<std::size_t>(sound * frameBytes);
    const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, bytes);
    if (work.readAt(data.data() + quiet * frameBytes, soundBytes, doc.dataOffset + from * frameBytes) != soundBytes ||
        !out.writeAt(header.data(), header.size(), 0) || !out.writeAt(data.data(), data.size(), kClipDataOffset) ||
        !out.close()) {
        out.close();
        removeFile(path);
        return nullptr;
    }
    return std::make_shared<const ClipSound>(path, doc.channels, doc.sampleRate, doc.bitsPerSample, bytes);
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
        messages.inform(kMsgResultTooLong);
        return EditResult::Refused;
    }
    std::shared_ptr<const ClipSound> result;
    if (const auto failed = unmade(makeResult(doc, range, effect, progress, result), messages))
        return *failed;
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
        if (const auto failed =
                unmade(makeResult(doc, range, limitedGainEffect(gain, ceilingDb, doc.sampleRate), progress, result),
                       messages))
            return *failed;
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

namespace tw {

namespace {

EffectParam param(const char* name, const char* key, const char* batchName, const char* unit, double minimum,
                  double maximum, double preset, double step, int decimals)
{
    EffectParam p;
    p.name = name;
    p.key = key;
    p.batchName = batchName;
    p.unit = unit;
    p.minimum = minimum;
    p.maximum = maximum;
    p.preset = preset;
    p.step = step;
    p.decimals = decimals;
    return p;
}

// A cutoff the filter can take at the document's rate: below half of it.
double cutoff(const DocumentState& doc, double hz)
{
    return std::min(hz, 0.45 * doc.sampleRate);
}

using MakeEffect = FilterEffect (*)(const DocumentState& doc, const std::vector<double>& values);

Effect filterEntry(const char* id, const char* name, const char* key, const char* hint, const char* flag,
                   std::vector<EffectParam> params, MakeEffect make)
{
    Effect e;
    e.id = id;
    e.name = name;
    e.key = key;
    e.hint = hint;
    e.batchFlag = flag;
    e.params = std::move(params);
    e.body = [make](DocumentState& doc, const EffectInput& in, Progress& progress, Messenger& messages,
                    UndoJournal* journal) {
        return runFilterEffectBody(doc, make(doc, in.values), progress, messages, journal);
    };
    e.preview = [make](const DocumentState& doc, const EffectInput& in, double seconds, Progress& progress) {
        return previewSound(doc, make(doc, in.values), seconds, progress);
    };
    return e;
}

}  // namespace

void addFilterEffects(std::vector<Effect>& t)
{
    {
        EffectParam target = param("Target loudness:", "LoudnessTarget", "LUFS", "LUFS", -36, -5, -16, 1, 1);
        target.offered = {-23, -14};
        EffectParam ceiling = param("True-peak ceiling:", "LoudnessCeiling", "DB", "dBTP", -9, 0, -1, 0.1, 1);
        ceiling.batchOptional = true;
        ceiling.batchOption = "--true-peak";
        Effect e;
        e.id = "loudness";
        e.name = "Loudness Normalize...";
        e.key = "Loudness";
        e.hint = "integrated loudness (EBU R128) to LUFS, the true peak under DB";
        e.separatorBefore = true;
        e.batchFlag = "--loudness";
        e.params = {target, ceiling};
        e.body = [](DocumentState& doc, const EffectInput& in, Progress& progress, Messenger& messages,
                    UndoJournal* journal) {
            return runLoudnessBody(doc, in.values.at(0), in.values.at(1), progress, messages, journal);
        };
        // The gain the piece heard needs: measured on that piece alone.
        e.preview = [](const DocumentState& doc, const EffectInput& in, double seconds,
                       Progress& progress) -> std::shared_ptr<const ClipSound> {
            const auto plain = previewSound(doc, FilterEffect{"anull"}, seconds, progress);
            bool stopped = false;
            const auto measured =
                plain ? measure(File::openRead(plain->path), kClipDataOffset, plain->frames(),
                                {plain->channels, plain->sampleRate, plain->bitsPerSample}, progress, stopped)
                      : std::nullopt;
            if (!measured)
                return plain;
            const double gain = in.values.at(0) - measured->integrated;
            return previewSound(doc,
                                measured->truePeak + gain <= in.values.at(1)
                                    ? gainEffect(gain)
                                    : limitedGainEffect(gain, in.values.at(1), doc.sampleRate),
                                seconds, progress);
        };
        t.push_back(std::move(e));
    }
    {
        EffectParam floor = param("Noise floor:", "DenoiseFloor", "DB", "dB", -80, -20, -50, 1, 0);
        floor.batchPreset = true;
        Effect e = filterEntry("denoise", "Noise Reduction...", "Denoise", "steady noise reduced by DB", "--denoise",
                               {param("Reduction:", "DenoiseReduction", "DB", "dB", 3, 40, 12, 1, 0), floor},
                               [](const DocumentState&, const std::vector<double>& v) {
                                   return denoiseEffect(v.at(0), v.at(1));
                               });
        e.body = [](DocumentState& doc, const EffectInput& in, Progress& progress, Messenger& messages,
                    UndoJournal* journal) {
            return runDenoiseBody(doc, in.values.at(0), in.values.at(1), progress, messages, journal);
        };
        t.push_back(std::move(e));
    }
    t.push_back(filterEntry("tempo", "Change Tempo...", "Tempo", "faster or slower by PERCENT, the pitch kept",
                            "--tempo", {param("Tempo:", "TempoPercent", "PERCENT", "%", -50, 200, 10, 1, 1)},
                            [](const DocumentState&, const std::vector<double>& v) { return tempoEffect(v.at(0)); }));
    t.push_back(filterEntry("pitch", "Change Pitch...", "Pitch", "higher or lower by SEMITONES, the length kept",
                            "--pitch", {param("Pitch:", "PitchSemitones", "SEMITONES", "semitones", -12, 12, 1, 1, 2)},
                            [](const DocumentState&, const std::vector<double>& v) { return pitchEffect(v.at(0)); }));
    t.push_back(filterEntry("speed", "Change Speed...", "Speed", "faster or slower by PERCENT, as a tape: pitch too",
                            "--speed", {param("Speed:", "SpeedPercent", "PERCENT", "%", -50, 200, 10, 1, 1)},
                            [](const DocumentState& doc, const std::vector<double>& v) {
                                return speedEffect(v.at(0), doc.sampleRate);
                            }));
    {
        EffectParam bass = param("Bass:", "BassGain", "DB", "dB", -15, 15, 0, 0.5, 1);
        EffectParam treble = param("Treble:", "TrebleGain", "DB", "dB", -15, 15, 0, 0.5, 1);
        bass.batchOptional = treble.batchOptional = true;
        bass.batchOption = "--bass";
        treble.batchOption = "--treble";
        t.push_back(filterEntry("bass-treble", "Bass and Treble...", "BassTreble",
                                "low (--bass) or high (--treble) frequencies raised or lowered by DB", "",
                                {bass, treble}, [](const DocumentState&, const std::vector<double>& v) {
                                    return bassTrebleEffect(v.at(0), v.at(1));
                                }));
    }
    const auto slope = [] {
        EffectParam p = param("Slope:", "FilterSlope", "SLOPE", "", 12, 24, 24, 12, 0);
        p.choices = {{12, "12 dB/octave", ""}, {24, "24 dB/octave", ""}};
        p.batchPreset = true;
        return p;
    };
    t.push_back(filterEntry("highpass", "High-pass...", "HighPass", "what lies below HZ removed (24 dB per octave)",
                            "--highpass", {param("Cutoff:", "FilterCutoff", "HZ", "Hz", 10, 20000, 80, 10, 0), slope()},
                            [](const DocumentState& doc, const std::vector<double>& v) {
                                return highpassEffect(cutoff(doc, v.at(0)), static_cast<int>(v.at(1)));
                            }));
    t.push_back(filterEntry("lowpass", "Low-pass...", "LowPass", "what lies above HZ removed (24 dB per octave)",
                            "--lowpass", {param("Cutoff:", "FilterCutoff", "HZ", "Hz", 10, 20000, 8000, 10, 0), slope()},
                            [](const DocumentState& doc, const std::vector<double>& v) {
                                return lowpassEffect(cutoff(doc, v.at(0)), static_cast<int>(v.at(1)));
                            }));
    {
        std::vector<EffectParam> params = {
            param("Threshold:", "CompressorThreshold", "THRESHOLD", "dB", -60, 0, -20, 1, 1),
            param("Ratio:", "CompressorRatio", "RATIO", ": 1", 1, 20, 4, 0.5, 1),
            param("Attack:", "CompressorAttack", "MS", "ms", 0.01, 2000, 20, 1, 2),
            param("Release:", "CompressorRelease", "MS", "ms", 0.01, 9000, 250, 10, 2),
            param("Make-up gain:", "CompressorMakeup", "DB", "dB", 0, 36, 0, 0.5, 1),
        };
        for (std::size_t i = 2; i < params.size(); ++i)
            params[i].batchPreset = true;
        t.push_back(filterEntry("compressor", "Compressor...", "Compressor",
                                "what rises above THRESHOLD dB turned down by RATIO", "--compress", params,
                                [](const DocumentState&, const std::vector<double>& v) {
                                    return compressorEffect(v.at(0), v.at(1), v.at(2), v.at(3), v.at(4));
                                }));
    }
}

}  // namespace tw
