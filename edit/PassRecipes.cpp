#include "edit/PassRecipes.h"

#include <charconv>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "edit/Clipboard.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/Effects.h"
#include "edit/FilterEffects.h"
#include "edit/PastePass.h"
#include "edit/SamplePasses.h"

namespace tw {

namespace {

std::optional<std::string> fromFileWord(const std::string& word)
{
    if (word.size() % 2 != 0)
        return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < word.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = word.substr(i, 2);
        const long v = std::strtol(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2)
            return std::nullopt;
        path += static_cast<char>(v);
    }
    return path;
}

std::optional<double> number(const std::string& word)
{
    double v = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (word.empty() || error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return v;
}

// A pass made from the document as it stands when the step runs again, which
// is as it stood when the step first ran.
EditPass madeWhenRun(const std::string& recipe, std::function<EditPass(const DocumentState&)> make)
{
    auto made = std::make_shared<EditPass>();
    EditPass pass;
    pass.recipe = recipe;
    pass.run = [make = std::move(make), made](File& work, DocumentState& doc, const EditRange& range,
                                              Progress& progress, std::uint64_t& shifted) {
        *made = make(doc);
        return !made->run || made->run(work, doc, range, progress, shifted);
    };
    pass.markersAfter = [made](DocumentState& doc) {
        if (made->markersAfter)
            made->markersAfter(doc);
    };
    return pass;
}

}  // namespace

std::string recipeText(std::initializer_list<std::string> words)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

std::string exactText(double value)
{
    // The shortest text that reads back exactly, whatever the locale.
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string fileWord(const std::string& path)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string word;
    for (const unsigned char c : path) {
        word += kHex[c >> 4];
        word += kHex[c & 15];
    }
    return word;
}

std::optional<EditPass> passFromRecipe(const std::string& recipe,
                                       const std::function<std::string(const std::string&)>& mapFile)
{
    std::istringstream in(recipe);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return std::nullopt;
    std::vector<double> n;
    for (std::size_t i = 1; i < w.size(); ++i)
        n.push_back(number(w[i]).value_or(-1));
    const std::string& kind = w[0];
    if (kind == "delete" && n.empty())
        return deletePass();
    if (kind == "cutout" && n.empty())
        return cutOutPass();
    if (kind == "fadein" && n.empty())
        return fadeInPass();
    if (kind == "fadeout" && n.empty())
        return fadeOutPass();
    if (kind == "volume" && n.size() == 2)
        return volumePass(static_cast<float>(n[0]), n[1] == 1);
    if (kind == "normalize" && n.size() == 4)
        return normalizePass({static_cast<int>(n[0]), static_cast<int>(n[1]), n[2], n[3] == 1});
    if (kind == "effect" && w.size() >= 3 && n[1] >= 0) {
        const Effect* effect = findEffect(w[1]);
        if (!effect || !effect->pass || n.size() - 2 != effect->params.size())
            return std::nullopt;
        EffectInput input{{n.begin() + 2, n.end()}, static_cast<std::uint64_t>(n[1])};
        return madeWhenRun(recipe, [effect, input](const DocumentState& doc) { return effect->pass(doc, input); });
    }
    if (kind == "replace" && w.size() == 6) {
        // file, channels, rate, bits, bytes: the range gives way to the file's sound.
        const auto file = fromFileWord(w[1]);
        if (!file || n[1] <= 0 || n[2] <= 0 || n[3] <= 0 || n[4] < 0)
            return std::nullopt;
        const std::string path = mapFile(*file);
        if (path.empty())
            return std::nullopt;
        auto sound = std::make_shared<const ClipSound>(path, static_cast<std::uint32_t>(n[1]),
                                                       static_cast<std::uint32_t>(n[2]),
                                                       static_cast<std::uint32_t>(n[3]), static_cast<std::uint64_t>(n[4]));
        return madeWhenRun(recipe, [sound](const DocumentState& doc) { return replacePass(doc, sound); });
    }
    if (kind == "paste" && w.size() == 9) {
        // insertAt, first frame, frames, file, channels, rate, bits, bytes
        const auto file = fromFileWord(w[4]);
        if (!file || n[0] < 0 || n[1] < 0 || n[2] < 0 || n[4] <= 0 || n[5] <= 0 || n[6] <= 0 || n[7] < 0)
            return std::nullopt;
        const std::string path = mapFile(*file);
        if (path.empty())
            return std::nullopt;
        auto sound = std::make_shared<const ClipSound>(
            path, static_cast<std::uint32_t>(n[4]), static_cast<std::uint32_t>(n[5]), static_cast<std::uint32_t>(n[6]),
            static_cast<std::uint64_t>(n[7]));
        return pastePassAt(static_cast<std::uint32_t>(n[0]), static_cast<std::uint64_t>(n[1]),
                           static_cast<std::uint64_t>(n[2]), std::move(sound));
    }
    return std::nullopt;
}

}  // namespace tw
