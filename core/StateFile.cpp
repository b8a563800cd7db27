#include "core/StateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "wav/File.h"

namespace tw {

namespace {
constexpr const char* kRestMark = "--";
constexpr std::uint64_t kMaxStateBytes = 64 << 20;
}  // namespace

void StateText::set(const std::string& key, const std::string& value)
{
    for (auto& [k, v] : fields_)
        if (k == key) {
            v = value;
            return;
        }
    fields_.emplace_back(key, value);
}

std::optional<std::string> StateText::get(const std::string& key) const
{
    for (const auto& [k, v] : fields_)
        if (k == key)
            return v;
    return std::nullopt;
}

std::optional<std::uint64_t> StateText::number(const std::string& key) const
{
    const auto v = get(key);
    if (!v || v->empty() || v->find_first_not_of("0123456789") != std::string::npos || v->size() > 19)
        return std::nullopt;
    return std::strtoull(v->c_str(), nullptr, 10);
}

std::string StateText::text() const
{
    std::string out = "tarnwick-state 1\n";
    for (const auto& [k, v] : fields_)
        out += k + ' ' + v + '\n';
    return out + kRestMark + '\n' + rest;
}

std::optional<StateText> StateText::parse(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "tarnwick-state 1")
        return std::nullopt;
    StateText state;
    while (std::getline(in, line)) {
        if (line == kRestMark) {
            const auto at = in.tellg();
            state.rest = at < 0 ? std::string() : text.substr(static_cast<std::size_t>(at));
            return state;
        }
        const auto space = line.find(' ');
        if (space == std::string::npos)
            return std::nullopt;
        state.set(line.substr(0, space), line.substr(space + 1));
    }
    return std::nullopt;  // cut short
}

bool writeStateFile(const std::string& dir, const std::string& text)
{
    const std::string path = dir + kStateFileName;
    const std::string temp = path + ".new";
    File out = File::create(temp);
    const bool ok = out && out.write(text.data(), text.size()) && ::fsync(out.fd()) == 0 && out.close() &&
                    std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        removeFile(temp);
    return ok;
}

std::optional<StateText> readStateFile(const std::string& dir)
{
    File in = File::openRegular(dir + kStateFileName);
    if (!in || in.size() > kMaxStateBytes)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(in.size()), '\0');
    if (in.read(text.data(), text.size()) != text.size())
        return std::nullopt;
    return StateText::parse(text);
}

bool holdsUnsavedDocument(const std::string& dir)
{
    const auto state = readStateFile(dir);
    return state && state->get("modified") == "1";
}

}  // namespace tw
