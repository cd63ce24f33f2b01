#pragma once
// Text helpers the tests share: the bytes of a file and a piece repeated.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vmf::test {

// Every byte of the file as it is on disk; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `s` written `n` times in a row.
inline std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace vmf::test
