// Stands in for libFuzzer where the host compiler has none: runs every file named on the command
// line, and every file in a folder named there, through the fuzz target once. Arguments that start
// with '-' are libFuzzer's options and are ignored.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// Returns the files an argument names, a folder's in name order so that runs repeat.
std::vector<fs::path> InputFiles(const fs::path& argument) {
    if (!fs::is_directory(argument)) {
        return {argument};
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool RunFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.empty() || argument[0] == '-') {
            continue;
        }
        for (const fs::path& file : InputFiles(argument)) {
            if (!RunFile(file)) {
                return 1;
            }
            ++inputs;
        }
    }
    std::printf("replayed %d inputs without fuzzing: the host compiler has no libFuzzer\n", inputs);
    // No input at all means a wrong path, which must not pass as a clean run.
    return inputs > 0 ? 0 : 1;
}
