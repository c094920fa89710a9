// Replays every file of the given folders through a fuzz target's entry
// points, in name order, without libFuzzer: a plain regression run over the
// seed corpus and every input that ever found a fault. A fault aborts, as it
// does under the fuzzer; the sanitizer build turns undefined behaviour and
// bad memory use into such aborts.
//
//   <target>_replay FOLDER...

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER...\n", argv[0]);
    return 2;
  }
  LLVMFuzzerInitialize(&argc, &argv);
  std::size_t replayed = 0;
  for (int k = 1; k < argc; ++k) {
    std::error_code error;
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(argv[k], error)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    if (error || inputs.empty()) {
      std::fprintf(stderr, "%s: no inputs in %s\n", argv[0], argv[k]);
      return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
      std::ifstream file(input, std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
      // A copy of exactly the input's size, so that a read past its end is caught.
      std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
      LLVMFuzzerTestOneInput(data.data(), data.size());
      ++replayed;
    }
  }
  // The targets may have silenced standard output.
  std::fprintf(stderr, "replayed %zu inputs\n", replayed);
  return 0;
}
