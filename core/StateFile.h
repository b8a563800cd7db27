// The document's state in its private folder: what a restart needs to offer
// the document back. Lines of "key value", written whole through a new file,
// synced and renamed over the old one, so that it is always one complete
// state or the one before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tw {

inline constexpr const char* kStateFileName = "state.tw";

class StateText {
public:
    void set(const std::string& key, const std::string& value);
    void set(const std::string& key, std::uint64_t value) { set(key, std::to_string(value)); }
    std::optional<std::string> get(const std::string& key) const;
    std::optional<std::uint64_t> number(const std::string& key) const;
    // What follows the fields, as it is.
    std::string rest;

    std::string text() const;
    static std::optional<StateText> parse(const std::string& text);

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// dir ends in the path separator. False when the file could not be written;
// the last one then stays.
bool writeStateFile(const std::string& dir, const std::string& text);
std::optional<StateText> readStateFile(const std::string& dir);
// The folder holds a document with changes that were not saved.
bool holdsUnsavedDocument(const std::string& dir);

}  // namespace tw
