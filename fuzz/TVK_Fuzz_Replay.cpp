// Replays a fuzz target's corpus with the normal compiler: every file of each
// folder (or each file) named on the command line goes once through the
// target's LLVMFuzzerTestOneInput, in name order. The sanitizers of the test
// build turn any fault into a failure; a corpus that yields no input at all is
// a failure too, so that a moved or emptied folder cannot pass unseen.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool isDirectory(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> inputsOf(const std::string &path)
{
    std::vector<std::string> inputs;
    if (!isDirectory(path)) {
        inputs.push_back(path);
        return inputs;
    }
    DIR *dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return inputs;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        const std::string file = path + "/" + name;
        if (!isDirectory(file))
            inputs.push_back(file);
    }
    ::closedir(dir);
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char **argv)
{
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::string &file : inputsOf(argv[i])) {
            std::ifstream stream(file, std::ios::binary);
            if (!stream) {
                std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
                return 1;
            }
            const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
            // A copy of exactly the input's size, so that a read past it is a
            // sanitizer fault as it is under libFuzzer.
            std::vector<uint8_t> input(bytes.begin(), bytes.end());
            std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), input.size());
            LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
            ++replayed;
        }
    }
    std::fprintf(stderr, "replay: %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
