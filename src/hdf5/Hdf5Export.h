#pragma once
// The whole measurement store as one HDF5 file, for analysis in the tools
// scientists use (Python, MATLAB, Igor). Layout, with the store's own field
// names:
//
//   /                      attributes format, formatVersion, headCount, ledDriverCount
//   /historyText           the operation history, UTF-8 string
//   /heads/<a>             one group per head slot a = 0..headCount-1; attributes
//                          slot, headKind, serialNo (UTF-8), channelCount,
//                          exposureUs, recordCount
//     wavelengthNm [C]     float32
//     wavePoly [6]         float64
//     darkTable [21][C]    float32
//     gain, whiteRef, transRef [C]   float32, attribute exposureUs (float32):
//                          the extra entry of the row, its exposure
//     recExposureUs [R]    int32;  recTemperatureC [R] float32
//     recRaw, recProcessed [R][C]    float32, chunked by whole records
//     recTimeUtcMs [R] int64, recUtcOffsetS [R] int32   only when the store
//                          holds time stamps (0 = that record has none)
//   /ledDrivers/<j>        attribute ledChannelCount; ledValue [K] int32
//
// Every dataset carries "units" and "description" attributes. Floats keep
// their exact bits.

#include <string>

namespace vmf {

class Cvarnello_mfDoc;
struct FileProgress;

struct Hdf5ExportOptions {
    // 0 writes the spectra uncompressed; 1..9 compresses them (shuffle +
    // deflate at that level).
    int deflateLevel = 0;
    // Records per chunk of recRaw / recProcessed, and per block written.
    int recordsPerChunk = 256;
    // When given: the spectra's bytes are counted into it as they are
    // written, and a cancel request stops the export at the next block.
    FileProgress* progress = nullptr;
};

// Writes doc to the HDF5 file at utf8Path, replacing it only once the new
// file is complete (a failed export leaves an existing file as it was).
// Spectra are copied out record block by record block, never all at once.
// Returns false with a message naming the file; the store is not changed.
// A cancelled export returns false with an empty message, any existing file
// untouched and no partial file left.
// One export at a time: Debian's serial HDF5 library is not thread-safe.
bool ExportHdf5(const Cvarnello_mfDoc& doc, const std::string& utf8Path,
                const Hdf5ExportOptions& options, std::string& error);

}  // namespace vmf
