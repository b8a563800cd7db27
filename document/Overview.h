// The waveform overview: per column of `zoom` frames, the loudest sample of
// each channel in percent of full scale, from one frame in 100.
#pragma once

#include <cstdint>
#include <vector>

#include "core/DocumentState.h"
#include "core/Progress.h"
#include "wav/File.h"

namespace tw {

struct OverviewFormat {
    std::uint32_t channels = 0;
    std::uint32_t bitsPerSample = 0;
    std::uint32_t frameSize = 0;
    std::uint32_t zoom = kStartZoom;
};

// How the bar moves after each column.
enum class ColumnPercent {
    Fraction,  // trunc((c + 1) * 100.0 / columnCount), then a pump
    Reload,    // (c * 100 + 100) / columnCount in unsigned 32 bits, no pump
};

struct OverviewReport {
    int bar = 1;
    ColumnPercent percent = ColumnPercent::Fraction;
};

// frameCount / zoom, rounded up.
std::uint32_t overviewColumnCount(std::uint32_t frameCount, std::uint32_t zoom);

// Fills columnCount entries of both arrays (resized to columnCount) from the
// frames at start, start + 100 frames, ... running on from column to column.
// Past the end of the file the sample last read is used again.
void computeOverview(const File& file, std::uint64_t start, const OverviewFormat& format,
                     std::uint32_t columnCount, std::vector<std::int16_t>& peakLeft,
                     std::vector<std::int16_t>& peakRight, Progress& progress, OverviewReport report);

// The peaks of the columns first to first + count - 1 at format.zoom, from
// every frame of them, each frame's magnitude as the overview takes it: the
// finer levels read what they show from the work file as it is drawn. Columns
// past frameCount stay 0.
void readPeaks(const File& file, std::uint64_t dataOffset, std::uint64_t frameCount, const OverviewFormat& format,
               std::uint64_t first, std::uint32_t count, std::vector<std::int16_t>& peakLeft,
               std::vector<std::int16_t>& peakRight);

// The whole pass for doc: columnCount from frameCount and zoom, new arrays,
// reading from the file's current position (dataOffset).
void rebuildOverview(const File& file, DocumentState& doc, Progress& progress, OverviewReport report);
// The same for the window's levels: for those finer than kFinestOverviewZoom
// only columnCount, with empty arrays (the view reads them as it draws).
void rebuildViewOverview(const File& file, DocumentState& doc, Progress& progress, OverviewReport report);

}  // namespace tw
