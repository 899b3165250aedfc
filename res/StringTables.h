#pragma once
// The resource tables per language; Resources.h is the interface the rest of the program uses.
#include "res/DialogTemplate.h"

#include <map>
#include <string>
#include <vector>

namespace vornalix::res {

const std::map<int, std::string>& EnglishStrings();
const std::map<int, std::string>& JapaneseStrings();
const std::vector<DialogTemplate>& EnglishDialogs();
const std::vector<DialogTemplate>& JapaneseDialogs();

} // namespace vornalix::res
