// Runs a fuzz target once on every file named on the command line (folders: every file in
// them, in name order), as libFuzzer would run a corpus, but with any compiler. Each file's
// name is printed before it runs, so a failing replay names the input that broke a rule.

#include "FuzzRule.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::vector<std::filesystem::path> inputsOf(const char* argument)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(argument, ec)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(argument, ec))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else {
        files.emplace_back(argument);
    }
    return files;
}

bool replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
        return false;
    }
    const std::vector<char> bytes { std::istreambuf_iterator<char>(in),
        std::istreambuf_iterator<char>() };
    std::printf("%s\n", file.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const auto files = inputsOf(argv[i]);
        if (files.empty()) {
            // An empty or missing corpus would let the test pass while checking nothing.
            std::fprintf(stderr, "no inputs in %s\n", argv[i]);
            return 1;
        }
        for (const auto& file : files) {
            if (!replay(file))
                return 1;
            ++count;
        }
    }
    std::printf("%zu inputs replayed, every rule held\n", count);
    return 0;
}
