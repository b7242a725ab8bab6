#pragma once
// Drawing map pictures with render_map.py: the script beside this program
// (an installed copy) or in the sources, run by the first of python3 and
// python found on the user's PATH. The script needs matplotlib.

#include <string>
#include <vector>

namespace ksrhost {

// Runs render_map.py with arguments. png names the picture and written the
// files already written, for the messages. Throws FileError when no Python
// can be started, when it lacks matplotlib, or when the script fails (its
// own message is on the error stream above ours).
void renderPicture(const std::vector<std::string>& arguments, const std::string& png,
                   const std::vector<std::string>& written);

}  // namespace ksrhost
