// Runs a fuzz target's entry once per file, for the regression tests that
// replay the corpora and saved crash inputs in builds without libFuzzer.
// Arguments are files or directories (every regular file in them).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    // An exact-size copy, so reading one byte too many is caught.
    auto* copy = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), copy);
    LLVMFuzzerTestOneInput(copy, bytes.size());
    delete[] copy;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    RunFile(entry.path());
                    ++files;
                }
            }
        } else if (fs::is_regular_file(arg)) {
            RunFile(arg);
            ++files;
        } else {
            std::fprintf(stderr, "replay: no such file or directory: %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("replayed %d inputs\n", files);
    return 0;
}
