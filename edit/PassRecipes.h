// A pass as text, so that a step kept in the private folder can be made again
// after a restart: the recipe names the pass and its values, words separated
// by spaces, numbers exact, file names in hexadecimal.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "edit/EditBody.h"

namespace tw {

std::string recipeText(std::initializer_list<std::string> words);
// A number that reads back to exactly the same value.
std::string exactText(double value);
// A file name of any bytes as one word.
std::string fileWord(const std::string& path);

// The pass a recipe names, its files through mapFile (which may put them
// elsewhere); nothing for an unknown or damaged recipe or a missing file.
std::optional<EditPass> passFromRecipe(const std::string& recipe,
                                       const std::function<std::string(const std::string&)>& mapFile);

}  // namespace tw
