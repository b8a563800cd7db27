#include "core/StepLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wav/LittleEndian.h"

namespace tw {

namespace {

// The move log: a header of fixed size at offset 0, then two slots for the
// saved bytes, used in turn, so that a header always names bytes that a
// newer block has not overwritten yet.
constexpr std::uint32_t kMagic = 0x4d575754;  // "TWWM"
constexpr std::size_t kHeaderBytes = 72;
constexpr std::uint64_t kSlotBase = 4096;
constexpr std::uint64_t kSlotBytes = 8 << 20;  // more than any block

std::uint64_t checksum(const std::uint8_t* bytes, std::size_t size)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

}  // namespace

StepLog::StepLog(std::string dir) : dir_(std::move(dir)) {}

bool StepLog::writeRecord(const std::string& text)
{
    ++number_;
    const std::string temp = dir_ + kRecordName + ".new";
    File out = File::create(temp);
    const std::string body = std::to_string(number_) + '\n' + text;
    if (!out || !out.write(body.data(), body.size()) || !out.close() ||
        std::rename(temp.c_str(), (dir_ + kRecordName).c_str()) != 0) {
        removeFile(temp);
        return false;
    }
    return true;
}

void StepLog::clearRecord()
{
    removeFile(dir_ + kRecordName);
    clearMove();
}

std::optional<StepLog::Record> StepLog::readRecord() const
{
    File in = File::openRead(dir_ + kRecordName);
    if (!in)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), 1 << 24)), '\0');
    text.resize(in.read(text.data(), text.size()));
    const auto line = text.find('\n');
    if (line == std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const std::uint64_t number = std::strtoull(text.c_str(), &end, 10);
    if (end != text.c_str() + line)
        return std::nullopt;
    return Record{number, text.substr(line + 1)};
}

bool StepLog::beforeBlock(const Move& move)
{
    if (!move_) {
        move_ = File::openReadWrite(dir_ + kMoveName);
        if (!move_)
            move_ = File::create(dir_ + kMoveName);
        if (!move_)
            return false;
    }
    if (move.overlap.size() > kSlotBytes)
        return false;
    slot_ ^= 1;
    const std::uint64_t slotAt = kSlotBase + slot_ * kSlotBytes;
    if (!move.overlap.empty() && !move_.writeAt(move.overlap.data(), move.overlap.size(), slotAt))
        return false;
    std::array<std::uint8_t, kHeaderBytes> h{};
    putLe32(h.data(), kMagic);
    putLe32(h.data() + 4, move.phase);
    putLe64(h.data() + 8, move.record);
    putLe64(h.data() + 16, move.src);
    putLe64(h.data() + 24, move.dst);
    putLe64(h.data() + 32, move.count);
    putLe64(h.data() + 40, move.done);
    putLe64(h.data() + 48, move.overlapAt);
    putLe32(h.data() + 56, static_cast<std::uint32_t>(move.overlap.size()));
    putLe32(h.data() + 60, slot_);
    putLe64(h.data() + 64, checksum(h.data(), 64));
    // One small write inside the first page: it is there whole or not at all.
    return move_.writeAt(h.data(), h.size(), 0);
}

std::optional<StepLog::Move> StepLog::readMove() const
{
    File in = File::openRead(dir_ + kMoveName);
    std::array<std::uint8_t, kHeaderBytes> h{};
    if (!in || in.readAt(h.data(), h.size(), 0) != h.size() || getLe32(h.data()) != kMagic ||
        getLe64(h.data() + 64) != checksum(h.data(), 64))
        return std::nullopt;
    Move m;
    m.phase = getLe32(h.data() + 4);
    m.record = getLe64(h.data() + 8);
    m.src = getLe64(h.data() + 16);
    m.dst = getLe64(h.data() + 24);
    m.count = getLe64(h.data() + 32);
    m.done = getLe64(h.data() + 40);
    m.overlapAt = getLe64(h.data() + 48);
    const std::uint32_t size = getLe32(h.data() + 56);
    const std::uint32_t slot = getLe32(h.data() + 60) & 1;
    m.overlap.resize(size);
    if (size > 0 && in.readAt(m.overlap.data(), size, kSlotBase + slot * kSlotBytes) != size)
        return std::nullopt;
    return m;
}

void StepLog::clearMove()
{
    move_ = File();
    removeFile(dir_ + kMoveName);
}

bool repairMove(File& work, const StepLog::Move& move)
{
    return move.overlap.empty() || work.writeAt(move.overlap.data(), move.overlap.size(), move.overlapAt);
}

}  // namespace tw
