// HDF5 export of the store through the library's C API. Everything written
// goes through a small set of helpers (attribute, 1-D and 2-D dataset) so
// each dataset gets its units and meaning the same way.

#include "hdf5/Hdf5Export.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "common/FileProgress.h"
#include "hdf5/Hdf5Handle.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

// A failed library call; the text says which step, in the user's language.
struct Hdf5Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

hid_t Id(hid_t id, const char* what) {
    if (id < 0) throw Hdf5Failure(what);
    return id;
}
// The operator cancelled; not a failure to report.
struct Hdf5Cancelled {};

void Ok(herr_t status, const char* what) {
    if (status < 0) throw Hdf5Failure(what);
}

constexpr const char* kWriteFailed = "書き込みに失敗しました";

// recRaw and recProcessed of count records of c channels.
uint64_t SpectraBytes(int count, int c) {
    return 2 * sizeof(float) * static_cast<uint64_t>(std::max(count, 0)) *
           static_cast<uint64_t>(std::max(c, 0));
}

Hdf5Handle Space(std::initializer_list<hsize_t> dims) {
    if (dims.size() == 0) return {Id(H5Screate(H5S_SCALAR), kWriteFailed), H5Sclose};
    return {
        Id(H5Screate_simple(static_cast<int>(dims.size()), std::data(dims), nullptr), kWriteFailed),
        H5Sclose};
}

Hdf5Handle Utf8Type() {
    Hdf5Handle t(Id(H5Tcopy(H5T_C_S1), kWriteFailed), H5Tclose);
    Ok(H5Tset_size(t.get(), H5T_VARIABLE), kWriteFailed);
    Ok(H5Tset_cset(t.get(), H5T_CSET_UTF8), kWriteFailed);
    return t;
}

void TextAttribute(hid_t on, const char* name, const std::string& utf8) {
    Hdf5Handle type = Utf8Type();
    Hdf5Handle space = Space({});
    Hdf5Handle attr(
        Id(H5Acreate2(on, name, type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), kWriteFailed),
        H5Aclose);
    const char* text = utf8.c_str();
    Ok(H5Awrite(attr.get(), type.get(), &text), kWriteFailed);
}

template <class T>
void NumberAttribute(hid_t on, const char* name, hid_t fileType, hid_t memType, T value) {
    Hdf5Handle space = Space({});
    Hdf5Handle attr(
        Id(H5Acreate2(on, name, fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT), kWriteFailed),
        H5Aclose);
    Ok(H5Awrite(attr.get(), memType, &value), kWriteFailed);
}

void IntAttribute(hid_t on, const char* name, int32_t value) {
    NumberAttribute(on, name, H5T_STD_I32LE, H5T_NATIVE_INT32, value);
}
void FloatAttribute(hid_t on, const char* name, float value) {
    NumberAttribute(on, name, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, value);
}

void Describe(hid_t dataset, const char* units, const char* description) {
    TextAttribute(dataset, "units", units);
    TextAttribute(dataset, "description", description);
}

Hdf5Handle Group(hid_t parent, const std::string& name) {
    return {
        Id(H5Gcreate2(parent, name.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), kWriteFailed),
        H5Gclose};
}

// A contiguous dataset written in one call from memory laid out as the file
// wants it (rows of the store are already contiguous per head).
struct Element {
    hid_t fileType;
    hid_t memType;
};
const Element kF32{H5T_IEEE_F32LE, H5T_NATIVE_FLOAT};
const Element kF64{H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE};
const Element kI32{H5T_STD_I32LE, H5T_NATIVE_INT32};
const Element kI64{H5T_STD_I64LE, H5T_NATIVE_INT64};

Hdf5Handle Dataset(hid_t parent, const char* name, Element e, std::initializer_list<hsize_t> dims,
                   const void* data, const char* units, const char* description) {
    Hdf5Handle space = Space(dims);
    Hdf5Handle ds(
        Id(H5Dcreate2(parent, name, e.fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
           kWriteFailed),
        H5Dclose);
    bool empty = false;
    for (hsize_t d : dims) empty = empty || d == 0;
    if (!empty)
        Ok(H5Dwrite(ds.get(), e.memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data), kWriteFailed);
    Describe(ds.get(), units, description);
    return ds;
}

class StoreWriter {
public:
    StoreWriter(const Cvarnello_mfDoc& doc, const Hdf5ExportOptions& options)
        : doc_(doc), options_(options) {}

    void Write(hid_t file) {
        TextAttribute(file, "format", "varnello_mf measurement store");
        IntAttribute(file, "formatVersion", 1);
        IntAttribute(file, "headCount", doc_.headCount);
        IntAttribute(file, "ledDriverCount", doc_.ledDriverCount);
        const bool times = doc_.HasRecordTimes();
        Hdf5Handle heads = Group(file, "heads");
        for (int a = 0; a < doc_.headCount; ++a) WriteHead(heads.get(), a, times);
        Hdf5Handle leds = Group(file, "ledDrivers");
        for (int j = 0; j < doc_.ledDriverCount; ++j) {
            Hdf5Handle g = Group(leds.get(), std::to_string(j));
            const int k = doc_.ledChannelCount[j];
            IntAttribute(g.get(), "ledChannelCount", k);
            Dataset(g.get(), "ledValue", kI32, {static_cast<hsize_t>(k)}, doc_.ledValue[j].data(),
                    "", "value set on each LED channel of the driver");
        }
        Hdf5Handle type = Utf8Type();
        Hdf5Handle space = Space({});
        Hdf5Handle history(Id(H5Dcreate2(file, "historyText", type.get(), space.get(), H5P_DEFAULT,
                                         H5P_DEFAULT, H5P_DEFAULT),
                              kWriteFailed),
                           H5Dclose);
        const std::string utf8 = Cp932ToUtf8(doc_.historyText);
        const char* text = utf8.c_str();
        Ok(H5Dwrite(history.get(), type.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, &text), kWriteFailed);
        Describe(history.get(), "",
                 "operation history: lines \"YYYY/MM/DD hh:mm:ss,<text>\" in local time, "
                 "ended by CR LF");
    }

private:
    void WriteHead(hid_t heads, int a, bool times) {
        Hdf5Handle g = Group(heads, std::to_string(a));
        const int c = doc_.channelCount[a];
        const int n = doc_.recordCount[a];
        const auto hc = static_cast<hsize_t>(c);
        const auto hn = static_cast<hsize_t>(n);
        IntAttribute(g.get(), "slot", a);
        TextAttribute(g.get(), "headKind", Cp932ToUtf8(doc_.headKind[a]));
        TextAttribute(g.get(), "serialNo", Cp932ToUtf8(doc_.serialNo[a]));
        IntAttribute(g.get(), "channelCount", c);
        IntAttribute(g.get(), "exposureUs", doc_.exposureUs[a]);
        IntAttribute(g.get(), "recordCount", n);

        Dataset(g.get(), "wavelengthNm", kF32, {hc}, doc_.wavelengthNm[a].data(), "nm",
                "wavelength of each channel");
        Dataset(g.get(), "wavePoly", kF64, {WAVE_COEFFS}, doc_.wavePoly[a].data(), "nm",
                "wavelength polynomial c0..c5: the wavelength of 1-based channel x is "
                "c0 + c1*x + c2*x^2 + c3*x^3 + c4*x^4 + c5*x^5");
        // The table rows are MAX_CHANNELS apart in the store; the file wants
        // them C apart.
        std::vector<float> dark(static_cast<std::size_t>(DARK_STEPS) * hc);
        for (int s = 0; s < DARK_STEPS; ++s)
            std::copy_n(doc_.darkTable[a][s].begin(), c, dark.begin() + s * c);
        Dataset(g.get(), "darkTable", kF32, {DARK_STEPS, hc}, dark.data(), "counts",
                "dark level of each channel at 21 exposure steps");
        struct Row {
            const char* name;
            const float* values;
            const char* units;
            const char* description;
        };
        const Row rows[] = {
            {"gain", doc_.gain[a].data(), "", "per-channel gain of the sensitivity correction"},
            {"whiteRef", doc_.whiteRef[a].data(), "counts", "white reference (reflectance)"},
            {"transRef", doc_.transRef[a].data(), "counts",
             "100 % transmission reference (transmittance)"},
        };
        for (const Row& row : rows) {
            Hdf5Handle ds =
                Dataset(g.get(), row.name, kF32, {hc}, row.values, row.units, row.description);
            // The row's extra entry: the exposure (µs) it was taken at.
            FloatAttribute(ds.get(), "exposureUs", row.values[c]);
        }

        Dataset(g.get(), "recExposureUs", kI32, {hn}, (*doc_.recExposureUsRows)[a].data(), "us",
                "exposure time of each record");
        Dataset(g.get(), "recTemperatureC", kF32, {hn}, (*doc_.recTemperatureCRows)[a].data(),
                "degC", "head temperature of each record");
        if (times) {
            Dataset(g.get(), "recTimeUtcMs", kI64, {hn}, (*doc_.recTimeUtcMsRows)[a].data(), "ms",
                    "time of each record, UTC milliseconds since 1970-01-01T00:00:00Z; "
                    "0 means the record has no time");
            Dataset(g.get(), "recUtcOffsetS", kI32, {hn}, (*doc_.recUtcOffsetSRows)[a].data(), "s",
                    "local UTC offset at each record, seconds east of UTC");
        }
        WriteSpectra(g.get(), a);
    }

    // recRaw and recProcessed, record block by record block: one block of
    // each is all the extra memory a full series needs.
    void WriteSpectra(hid_t g, int a) {
        const int c = doc_.channelCount[a];
        const int n = doc_.recordCount[a];
        const auto hc = static_cast<hsize_t>(c);
        const auto hn = static_cast<hsize_t>(n);
        const int block = std::max(1, std::min(options_.recordsPerChunk, std::max(n, 1)));
        Hdf5Handle space = Space({hn, hc});
        Hdf5Handle dcpl(Id(H5Pcreate(H5P_DATASET_CREATE), kWriteFailed), H5Pclose);
        // Chunks cannot have a zero extent: an empty series stays contiguous.
        if (n > 0 && c > 0) {
            const hsize_t chunk[2] = {static_cast<hsize_t>(block), hc};
            Ok(H5Pset_chunk(dcpl.get(), 2, chunk), kWriteFailed);
            if (options_.deflateLevel > 0) {
                Ok(H5Pset_shuffle(dcpl.get()), kWriteFailed);
                Ok(H5Pset_deflate(dcpl.get(), static_cast<unsigned>(options_.deflateLevel)),
                   kWriteFailed);
            }
        }
        // Every value is written, so filling chunks first would only double the work.
        Ok(H5Pset_fill_time(dcpl.get(), H5D_FILL_TIME_NEVER), kWriteFailed);
        auto create = [&](const char* name, const char* description) {
            Hdf5Handle ds(Id(H5Dcreate2(g, name, H5T_IEEE_F32LE, space.get(), H5P_DEFAULT,
                                        dcpl.get(), H5P_DEFAULT),
                             kWriteFailed),
                          H5Dclose);
            Describe(ds.get(), "counts", description);
            return ds;
        };
        Hdf5Handle raw =
            create("recRaw", "averaged sensor counts of each record (record x channel)");
        Hdf5Handle processed =
            create("recProcessed",
                   "corrected spectrum of each record: dark subtracted, gain applied when the "
                   "sensitivity correction was on (record x channel)");
        if (n == 0 || c == 0) return;

        std::vector<float> rawBlock(static_cast<std::size_t>(block) * hc);
        std::vector<float> processedBlock(rawBlock.size());
        for (int r0 = 0; r0 < n; r0 += block) {
            const int count = std::min(block, n - r0);
            for (int i = 0; i < count; ++i) {
                const float* rs = doc_.recRaw(a, r0 + i);
                const float* ps = doc_.recProcessed(a, r0 + i);
                float* rd = rawBlock.data() + static_cast<std::size_t>(i) * hc;
                float* pd = processedBlock.data() + static_cast<std::size_t>(i) * hc;
                // A completed record without its arrays is written as zeros,
                // as the data file does.
                if (rs)
                    std::copy_n(rs, c, rd);
                else
                    std::fill_n(rd, c, 0.0f);
                if (ps)
                    std::copy_n(ps, c, pd);
                else
                    std::fill_n(pd, c, 0.0f);
            }
            const hsize_t start[2] = {static_cast<hsize_t>(r0), 0};
            const hsize_t size[2] = {static_cast<hsize_t>(count), hc};
            Hdf5Handle fileSpace(Id(H5Dget_space(raw.get()), kWriteFailed), H5Sclose);
            Ok(H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, size, nullptr),
               kWriteFailed);
            Hdf5Handle memSpace = Space({size[0], size[1]});
            Ok(H5Dwrite(raw.get(), H5T_NATIVE_FLOAT, memSpace.get(), fileSpace.get(), H5P_DEFAULT,
                        rawBlock.data()),
               kWriteFailed);
            Ok(H5Dwrite(processed.get(), H5T_NATIVE_FLOAT, memSpace.get(), fileSpace.get(),
                        H5P_DEFAULT, processedBlock.data()),
               kWriteFailed);
            if (FileProgress* progress = options_.progress) {
                progress->Add(SpectraBytes(count, c));
                if (progress->Cancelled()) throw Hdf5Cancelled{};
            }
        }
    }

    const Cvarnello_mfDoc& doc_;
    const Hdf5ExportOptions& options_;
};

// What the spectra of the whole store weigh: the part of the export that
// takes its time, and so the measure of its progress.
uint64_t StoreSpectraBytes(const Cvarnello_mfDoc& doc) {
    uint64_t total = 0;
    for (int a = 0; a < std::clamp(doc.headCount, 0, MAX_HEADS); ++a)
        total += SpectraBytes(doc.recordCount[a], doc.channelCount[a]);
    return total;
}

std::string FileName(const std::string& utf8Path) {
    return std::filesystem::path(utf8Path).filename().string();
}

}  // namespace

bool ExportHdf5(const Cvarnello_mfDoc& doc, const std::string& utf8Path,
                const Hdf5ExportOptions& options, std::string& error) {
    const std::string name = FileName(utf8Path);
    if (options.deflateLevel > 0 && H5Zfilter_avail(H5Z_FILTER_DEFLATE) <= 0) {
        error = name + " に書き出せませんでした。(圧縮が使えません)";
        return false;
    }
    // The library's own error printing would go to stderr of a GUI program;
    // failures are reported through the return value instead.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    if (options.progress) options.progress->total.store(StoreSpectraBytes(doc));
    const std::string partial = utf8Path + ".part" + std::to_string(::getpid());
    std::error_code ec;
    try {
        Hdf5Handle file(H5Fcreate(partial.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT),
                        H5Fclose);
        if (!file.valid()) throw Hdf5Failure("ファイルを作成できません");
        StoreWriter(doc, options).Write(file.get());
        if (!file.Reset()) throw Hdf5Failure(kWriteFailed);
        std::filesystem::rename(partial, utf8Path, ec);
        if (ec) throw Hdf5Failure("ファイルを置き換えられません");
        return true;
    } catch (const Hdf5Failure& failure) {
        error = name + " に書き出せませんでした。(" + failure.what() + ")";
    } catch (const std::bad_alloc&) {
        error = name + " に書き出せませんでした。(メモリが不足しています)";
    } catch (const Hdf5Cancelled&) {
        error.clear();
    }
    std::filesystem::remove(partial, ec);
    return false;
}

}  // namespace vmf
