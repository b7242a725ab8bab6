// Runs a fuzz target over fixed inputs without libFuzzer: every file named
// on the command line, and every file under every folder named there. The
// native test suite replays the seed corpora and the regression inputs this
// way (and so does the sanitizer build and Valgrind). A failed check aborts;
// a run that finds no input at all fails too, since a missing corpus would
// otherwise pass unnoticed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool replayFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path argument = argv[i];
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argument)) {
                if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
                    inputs.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(argument, error)) {
            inputs.push_back(argument);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    for (const fs::path& input : inputs) {
        if (!replayFile(input)) return 1;
    }
    std::printf("replay: %zu inputs, all checks held\n", inputs.size());
    return 0;
}
