#pragma once
// Where the CSV writer puts its bytes. The writer hands over large chunks
// (about a megabyte), so a sink need not buffer.

#include <cstddef>
#include <string>

namespace vmf {

class CsvSink {
public:
    virtual ~CsvSink() = default;
    // Takes all size bytes, or returns false with reason set (the system's
    // text for the error); the writer then stops.
    virtual bool Append(const char* data, std::size_t size, std::string& reason) = 0;
};

}  // namespace vmf
