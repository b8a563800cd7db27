// A work file opened from given samples, with zoom and markers set, for
// the edit tests.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "tests/document/DocumentTestSupport.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "edit/EditBody.h"

namespace tw::test {

class EditTest : public ::testing::Test {
protected:
    // Opens a document of the given samples (one value per channel sample)
    // and sets zoom and markers. claimed, when set, is what both size fields
    // of the source say, as a streaming writer or a cut-off download leaves it.
    void open(std::uint32_t channels, std::uint32_t bits, const std::vector<int>& values, std::uint32_t zoom,
              std::uint32_t selStart, std::uint32_t selFinish, const Bytes& trailer = {},
              std::optional<std::uint32_t> claimed = {}, std::uint32_t rate = 8000)
    {
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755) == 0 || errno == EEXIST, true);
        doc = DocumentState{};
        doc.tempDir = dir.file("temp/");
        doc.sourcePath = dir.file("source.wav");
        Bytes data;
        for (int v : values)
            bits == 8 ? data.push_back(static_cast<std::uint8_t>(v)) : put16(data, static_cast<std::uint16_t>(v));
        Bytes file = simpleWave(channels, rate, bits, data);
        file.insert(file.end(), trailer.begin(), trailer.end());
        if (claimed) {
            std::memcpy(&file[40], &*claimed, 4);
            std::memcpy(&file[4], &*claimed, 4);
        }
        writeFile(doc.sourcePath, file);
        OpenCut cut;
        ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
        doc.zoom = zoom;
        doc.columnCount = (doc.frameCount + zoom - 1) / zoom;
        doc.selStart = selStart;
        doc.selFinish = selFinish;
    }
    // The samples of the work file after the 44-byte header.
    std::vector<int> samples() const
    {
        const Bytes b = readFile(doc.workPath);
        std::vector<int> out;
        for (std::size_t at = 44; at + (doc.bitsPerSample == 8 ? 0 : 1) < b.size(); at += doc.bitsPerSample / 8)
            out.push_back(doc.bitsPerSample == 8 ? b[at] : static_cast<std::int16_t>(le16At(b, at)));
        return out;
    }
    bool edit(const EditPass& pass) { return runEditBody(doc, pass, progress, messages) == EditResult::Done; }

    ScratchDir dir;
    DocumentState doc;
    SilentProgress progress;
    RecordingMessenger messages;
};

}  // namespace tw::test
