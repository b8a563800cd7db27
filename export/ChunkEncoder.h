// What the export loop needs of an encoder: its chunk size, a step per chunk
// of 16-bit samples and the end of the output.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

class ChunkEncoder {
public:
    virtual ~ChunkEncoder() = default;
    virtual bool step(const std::int16_t* samples, std::size_t bytes) = 0;
    // True when the output file is complete.
    virtual bool finish() = 0;
};

}  // namespace tw
