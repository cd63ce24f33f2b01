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
//     record [R], channel [C], darkStep [21], power [6]   int32 0..n-1: the
//                          axes, as HDF5 dimension scales (netCDF dimensions);
//                          darkStep's attribute exposureUs (float64 [21]) is
//                          the exposure each step is measured at
//     wavelengthNm [C]     float32
//     wavePoly [6]         float64
//     darkTable [21][C]    float32
//     gain, whiteRef, transRef [C]   float32, attribute exposureUs (float32):
//                          the extra entry of the row, its exposure
//     recExposureUs [R]    int32;  recTemperatureC [R] float32
//     recRaw, recProcessed [R][C]    float32, chunked by whole records
//     recTimeUtcMs [R] int64, recUtcOffsetS [R] int32   only when the store
//                          holds time stamps (0 = that record has none)
//     gridWavelengthNm [511], recProcessedGrid [R][511]   float32, only with
//                          the grid option: recProcessed on 340..850 nm
//   /ledDrivers/<j>        attribute ledChannelCount; ledChannel [K] (axis),
//                          ledValue [K] int32
//
// Every dataset carries "units" ("1" when dimensionless) and "description"
// attributes and has its axes attached, so netCDF readers open a head group
// as labelled data: wavelengthNm is the coordinate along the channels,
// recTimeUtcMs (units "milliseconds since 1970-01-01 00:00:00", fill value 0)
// the one along the records. Floats keep their exact bits.

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
    // Adds each record's processed spectrum on the 340..850 nm display grid.
    bool grid = false;
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
