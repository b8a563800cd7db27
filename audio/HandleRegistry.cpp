#include "audio/HandleRegistry.h"

namespace tw::audio {

DWORD HandleRegistry::add(std::shared_ptr<Channel> channel)
{
    const std::lock_guard lock(mutex_);
    // Handles are not reused while the counter has not wrapped, so a stale
    // handle from a freed stream does not reach a newer one.
    do {
        ++next_;
    } while (next_ == 0 || channels_.contains(next_));
    channels_.emplace(next_, std::move(channel));
    return next_;
}

std::shared_ptr<Channel> HandleRegistry::find(DWORD handle) const
{
    const std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : it->second;
}

std::shared_ptr<Channel> HandleRegistry::remove(DWORD handle)
{
    const std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    if (it == channels_.end())
        return nullptr;
    auto channel = std::move(it->second);
    channels_.erase(it);
    return channel;
}

std::vector<std::shared_ptr<Channel>> HandleRegistry::removeAll()
{
    const std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Channel>> all;
    for (auto& entry : channels_)
        all.push_back(std::move(entry.second));
    channels_.clear();
    return all;
}

}  // namespace tw::audio
