#pragma once

#include <string>

#include "task/Tag.h"

namespace tv {

// What a source or target field shows for a location: empty for an empty location, the folder
// path, or "(FTP)" and the site's name (an FTP site without a name still shows "(FTP)").
std::string LocationFieldText(const CTag& tag);

// A text typed into a location field: "(FTP)..." keeps an FTP location as it is; any other text
// is a folder path, which makes a non-empty location a folder again.
void TypeLocationPath(CTag& tag, const std::string& text);

}  // namespace tv
