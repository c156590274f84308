// Stands in for libFuzzer's main in the plain build: feeds every file in the
// given files and folders (folders recursively, in name order) to the target
// once. A path that is missing, or no input at all, is an error, so a wrong
// path in the build cannot make the test pass on nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool collect(const fs::path& path, std::vector<fs::path>& files) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) {
    files.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, error)) return false;
  for (const auto& entry : fs::recursive_directory_iterator(path, error))
    if (entry.is_regular_file()) files.push_back(entry.path());
  return !error;
}

bool readAll(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (!collect(argv[i], files)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      return 2;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (with at least one file in them)\n", argv[0]);
    return 2;
  }
  std::sort(files.begin(), files.end());
  std::vector<std::uint8_t> bytes;
  for (const fs::path& file : files) {
    if (!readAll(file, bytes)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
      return 2;
    }
    // Printed first, so the input that crashes is the last one named.
    std::fprintf(stderr, "%s\n", file.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs, none crashed\n", files.size());
  return 0;
}
