// Maps 32-bit handles to streams. Lookups hand out shared ownership, so a
// stream freed on one thread stays valid for a call already running on another.
#pragma once

#include "audio/Channel.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace tw::audio {

class HandleRegistry {
public:
    // Returns the new handle, never 0.
    DWORD add(std::shared_ptr<Channel> channel);
    std::shared_ptr<Channel> find(DWORD handle) const;
    // Returns the removed stream (destroyed when the caller drops it), or null.
    std::shared_ptr<Channel> remove(DWORD handle);
    std::vector<std::shared_ptr<Channel>> removeAll();

private:
    mutable std::mutex mutex_;
    std::map<DWORD, std::shared_ptr<Channel>> channels_;
    DWORD next_ = 0x10000;
};

}  // namespace tw::audio
