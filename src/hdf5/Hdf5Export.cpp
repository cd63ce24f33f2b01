// HDF5 export of the store through the library's C API. Everything written
// goes through a small set of helpers (attribute, 1-D and 2-D dataset) so
// each dataset gets its units and meaning the same way.

#include "hdf5/Hdf5Export.h"

#include <hdf5_hl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <numeric>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "common/FileProgress.h"
#include "hdf5/Hdf5GuardedDriver.h"
#include "hdf5/Hdf5Handle.h"
#include "spectrum/GridResampler.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/FileHandle.h"
#include "store/OutputFile.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

// A failed library call; the text says which step, in the user's language.
struct Hdf5Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The innermost entry of the library's error stack: what actually went
// wrong, read before closing the handles clears it.
herr_t KeepInnermost(unsigned n, const H5E_error2_t* e, void* out) {
    if (n == 0 && e && e->desc && *e->desc) *static_cast<std::string*>(out) = e->desc;
    return 0;
}

[[noreturn]] void Throw(const char* what) {
    std::string detail;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, KeepInnermost, &detail);
    throw Hdf5Failure(detail.empty() ? std::string(what) : std::string(what) + ": " + detail);
}

hid_t Id(hid_t id, const char* what) {
    if (id < 0) Throw(what);
    return id;
}
// The operator cancelled; not a failure to report.
struct Hdf5Cancelled {};

void Ok(herr_t status, const char* what) {
    if (status < 0) Throw(what);
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

template <std::size_t N>
void ArrayAttribute(hid_t on, const char* name, const std::array<double, N>& values) {
    Hdf5Handle space = Space({N});
    Hdf5Handle attr(Id(H5Acreate2(on, name, H5T_IEEE_F64LE, space.get(), H5P_DEFAULT, H5P_DEFAULT),
                       kWriteFailed),
                    H5Aclose);
    Ok(H5Awrite(attr.get(), H5T_NATIVE_DOUBLE, values.data()), kWriteFailed);
}

// The record times' units as netCDF readers decode them into dates.
constexpr const char* kTimeUnits = "milliseconds since 1970-01-01 00:00:00";

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

// An index 0..n-1 that names one axis of the datasets attached to it: an
// HDF5 dimension scale, which netCDF readers (xarray through h5netcdf) take
// as a named dimension with that index as its coordinate.
Hdf5Handle IndexScale(hid_t parent, const char* name, int n, const char* description) {
    std::vector<int32_t> index(static_cast<std::size_t>(std::max(n, 0)));
    std::iota(index.begin(), index.end(), 0);
    Hdf5Handle ds = Dataset(parent, name, kI32, {index.size()}, index.data(), "1", description);
    Ok(H5DSset_scale(ds.get(), name), kWriteFailed);
    return ds;
}

// Attaches the scales to the dataset's axes in order; returns the dataset.
hid_t Attach(hid_t dataset, std::initializer_list<hid_t> scales) {
    unsigned axis = 0;
    for (hid_t scale : scales) Ok(H5DSattach_scale(dataset, scale, axis++), kWriteFailed);
    return dataset;
}

// Variables a netCDF reader should show as coordinates of the dataset,
// besides its dimensions' own (the wavelengths along the channels, the
// times along the records).
void Coordinates(hid_t dataset, const std::string& names) {
    if (!names.empty()) TextAttribute(dataset, "coordinates", names);
}

// The head's axes. The record scale counts from 0, as every reader of the
// store does.
struct HeadAxes {
    Hdf5Handle record;
    Hdf5Handle channel;
    Hdf5Handle darkStep;
    Hdf5Handle power;
};

class StoreWriter {
public:
    StoreWriter(const Cvarnello_mfDoc& doc, const Hdf5ExportOptions& options,
                const Hdf5WriteGuard& guard)
        : doc_(doc), options_(options), guard_(guard) {}

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
            Hdf5Handle channel =
                IndexScale(g.get(), "ledChannel", k, "LED channel index, counted from 0");
            Attach(
                Dataset(g.get(), "ledValue", kI32, {static_cast<hsize_t>(k)},
                        doc_.ledValue[j].data(), "1", "value set on each LED channel of the driver")
                    .get(),
                {channel.get()});
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

        const HeadAxes axes = WriteAxes(g.get(), c, n);
        const hid_t channel = axes.channel.get();
        const hid_t record = axes.record.get();
        Attach(Dataset(g.get(), "wavelengthNm", kF32, {hc}, doc_.wavelengthNm[a].data(), "nm",
                       "wavelength of each channel")
                   .get(),
               {channel});
        Attach(Dataset(g.get(), "wavePoly", kF64, {WAVE_COEFFS}, doc_.wavePoly[a].data(), "nm",
                       "wavelength polynomial c0..c5: the wavelength of 1-based channel x is "
                       "c0 + c1*x + c2*x^2 + c3*x^3 + c4*x^4 + c5*x^5")
                   .get(),
               {axes.power.get()});
        // The table rows are MAX_CHANNELS apart in the store; the file wants
        // them C apart.
        std::vector<float> dark(static_cast<std::size_t>(DARK_STEPS) * hc);
        for (int s = 0; s < DARK_STEPS; ++s)
            std::copy_n(doc_.darkTable[a][s].begin(), c, dark.begin() + s * c);
        Hdf5Handle darkTable =
            Dataset(g.get(), "darkTable", kF32, {DARK_STEPS, hc}, dark.data(), "counts",
                    "dark level of each channel at 21 exposure steps (see darkStep)");
        Coordinates(Attach(darkTable.get(), {axes.darkStep.get(), channel}), "wavelengthNm");
        struct Row {
            const char* name;
            const float* values;
            const char* units;
            const char* description;
        };
        const Row rows[] = {
            {"gain", doc_.gain[a].data(), "1", "per-channel gain of the sensitivity correction"},
            {"whiteRef", doc_.whiteRef[a].data(), "counts", "white reference (reflectance)"},
            {"transRef", doc_.transRef[a].data(), "counts",
             "100 % transmission reference (transmittance)"},
        };
        for (const Row& row : rows) {
            Hdf5Handle ds =
                Dataset(g.get(), row.name, kF32, {hc}, row.values, row.units, row.description);
            // The row's extra entry: the exposure (µs) it was taken at.
            FloatAttribute(ds.get(), "exposureUs", row.values[c]);
            Coordinates(Attach(ds.get(), {channel}), "wavelengthNm");
        }

        // Along the records the time is a coordinate when the store has times.
        const std::string timeCoordinate = times ? "recTimeUtcMs" : "";
        auto perRecord = [&](const char* name, Element e, const void* data, const char* units,
                             const char* description) {
            Hdf5Handle ds = Dataset(g.get(), name, e, {hn}, data, units, description);
            Attach(ds.get(), {record});
            if (name != timeCoordinate) Coordinates(ds.get(), timeCoordinate);
            return ds;
        };
        if (times) {
            Hdf5Handle utc =
                perRecord("recTimeUtcMs", kI64, (*doc_.recTimeUtcMsRows)[a].data(), kTimeUnits,
                          "time of each record, UTC milliseconds since "
                          "1970-01-01T00:00:00Z; 0 means the record has no time");
            // So netCDF readers show a record without a time as "no time", not 1970.
            NumberAttribute(utc.get(), "_FillValue", H5T_STD_I64LE, H5T_NATIVE_INT64, int64_t{0});
            perRecord("recUtcOffsetS", kI32, (*doc_.recUtcOffsetSRows)[a].data(), "s",
                      "local UTC offset at each record, seconds east of UTC");
        }
        perRecord("recExposureUs", kI32, (*doc_.recExposureUsRows)[a].data(), "us",
                  "exposure time of each record");
        perRecord("recTemperatureC", kF32, (*doc_.recTemperatureCRows)[a].data(), "degC",
                  "head temperature of each record");
        WriteSpectra(g.get(), a, axes, timeCoordinate);
    }

    HeadAxes WriteAxes(hid_t g, int c, int n) {
        HeadAxes axes;
        axes.record = IndexScale(g, "record", n, "record index, counted from 0");
        axes.channel = IndexScale(g, "channel", c, "sensor channel index, counted from 0");
        axes.darkStep =
            IndexScale(g, "darkStep", DARK_STEPS,
                       "dark table step: step 0 is measured at 265 us and step k at k x 50000 us "
                       "(exposureUs); the panel's dark measurement measures steps 0 and 19 and "
                       "interpolates the others. The correction uses steps 0 and 19 only, taking "
                       "step 0 as the dark at exposure 0, and uses step 20 as its work row: in a "
                       "saved store step 20 holds the dark of the record processed last");
        std::array<double, DARK_STEPS> exposures{};
        exposures[0] = 265.0;
        for (int s = 1; s < DARK_STEPS; ++s) exposures[s] = 50000.0 * s;
        ArrayAttribute(axes.darkStep.get(), "exposureUs", exposures);
        axes.power =
            IndexScale(g, "power", WAVE_COEFFS, "power of x of each polynomial coefficient");
        return axes;
    }

    // recRaw and recProcessed (and, when asked, recProcessedGrid), record
    // block by record block: one block of each is all the extra memory a full
    // series needs.
    void WriteSpectra(hid_t g, int a, const HeadAxes& axes, const std::string& timeCoordinate) {
        const int c = doc_.channelCount[a];
        const int n = doc_.recordCount[a];
        const auto hc = static_cast<hsize_t>(c);
        const auto hn = static_cast<hsize_t>(n);
        const int block = std::max(1, std::min(options_.recordsPerChunk, std::max(n, 1)));
        auto create = [&](const char* name, hsize_t width, const char* description) {
            Hdf5Handle space = Space({hn, width});
            Hdf5Handle dcpl(Id(H5Pcreate(H5P_DATASET_CREATE), kWriteFailed), H5Pclose);
            // Chunks cannot have a zero extent: an empty series stays contiguous.
            if (n > 0 && width > 0) {
                const hsize_t chunk[2] = {static_cast<hsize_t>(block), width};
                Ok(H5Pset_chunk(dcpl.get(), 2, chunk), kWriteFailed);
                if (options_.deflateLevel > 0) {
                    Ok(H5Pset_shuffle(dcpl.get()), kWriteFailed);
                    Ok(H5Pset_deflate(dcpl.get(), static_cast<unsigned>(options_.deflateLevel)),
                       kWriteFailed);
                }
            }
            // Every value is written, so filling chunks first would only double the work.
            Ok(H5Pset_fill_time(dcpl.get(), H5D_FILL_TIME_NEVER), kWriteFailed);
            Hdf5Handle ds(Id(H5Dcreate2(g, name, H5T_IEEE_F32LE, space.get(), H5P_DEFAULT,
                                        dcpl.get(), H5P_DEFAULT),
                             kWriteFailed),
                          H5Dclose);
            Describe(ds.get(), "counts", description);
            return ds;
        };
        const std::string coordinates =
            "wavelengthNm" + (timeCoordinate.empty() ? "" : " " + timeCoordinate);
        Hdf5Handle raw =
            create("recRaw", hc, "averaged sensor counts of each record (record x channel)");
        Hdf5Handle processed =
            create("recProcessed", hc,
                   "corrected spectrum of each record: dark subtracted, gain applied when the "
                   "sensitivity correction was on (record x channel)");
        for (hid_t ds : {raw.get(), processed.get()})
            Coordinates(Attach(ds, {axes.record.get(), axes.channel.get()}), coordinates);
        GridWriter grid;
        if (options_.grid) {
            grid.Begin(g, doc_, a);
            grid.dataset = create("recProcessedGrid", GRID_SIZE,
                                  "recProcessed resampled onto every whole nanometre from 340 "
                                  "to 850 nm, as the panel draws it (record x gridWavelengthNm)");
            Coordinates(Attach(grid.dataset.get(), {axes.record.get(), grid.scale.get()}),
                        timeCoordinate);
        }
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
            WriteRows(raw.get(), r0, count, hc, rawBlock.data());
            WriteRows(processed.get(), r0, count, hc, processedBlock.data());
            if (options_.grid) grid.Write(r0, count, c, processedBlock.data());
            // A failed write no longer reaches the disk: stop at once.
            if (guard_.Failed()) throw Hdf5Failure(kWriteFailed);
            if (FileProgress* progress = options_.progress) {
                progress->Add(SpectraBytes(count, c));
                if (progress->Cancelled()) throw Hdf5Cancelled{};
            }
        }
    }

    // The grid spectra of one head: its own wavelength axis and the
    // resampling the panel uses, applied to each block of processed records.
    struct GridWriter {
        Hdf5Handle scale;
        Hdf5Handle dataset;
        GridBrackets brackets;
        const float* wl = nullptr;
        std::vector<float> rows;

        void Begin(hid_t g, const Cvarnello_mfDoc& doc, int a) {
            std::array<float, GRID_SIZE> nm{};
            for (int k = 0; k < GRID_SIZE; ++k) nm[k] = static_cast<float>(340 + k);
            scale = Dataset(g, "gridWavelengthNm", kF32, {GRID_SIZE}, nm.data(), "nm",
                            "wavelength of each point of the display grid");
            Ok(H5DSset_scale(scale.get(), "gridWavelengthNm"), kWriteFailed);
            wl = doc.wavelengthNm[a].data();
            FindBrackets(wl, doc.channelCount[a], brackets);
        }
        void Write(int r0, int count, int c, const float* processed) {
            rows.resize(static_cast<std::size_t>(count) * GRID_SIZE);
            for (int i = 0; i < count; ++i)
                ApplyBrackets(brackets, processed + static_cast<std::size_t>(i) * c, wl,
                              rows.data() + static_cast<std::size_t>(i) * GRID_SIZE);
            WriteRows(dataset.get(), r0, count, GRID_SIZE, rows.data());
        }
    };

    // Rows r0..r0+count-1 of a record x width dataset from memory.
    static void WriteRows(hid_t ds, int r0, int count, hsize_t width, const float* values) {
        const hsize_t start[2] = {static_cast<hsize_t>(r0), 0};
        const hsize_t size[2] = {static_cast<hsize_t>(count), width};
        Hdf5Handle fileSpace(Id(H5Dget_space(ds), kWriteFailed), H5Sclose);
        Ok(H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, size, nullptr),
           kWriteFailed);
        Hdf5Handle memSpace = Space({size[0], size[1]});
        Ok(H5Dwrite(ds, H5T_NATIVE_FLOAT, memSpace.get(), fileSpace.get(), H5P_DEFAULT, values),
           kWriteFailed);
    }

    const Cvarnello_mfDoc& doc_;
    const Hdf5ExportOptions& options_;
    const Hdf5WriteGuard& guard_;
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
    // The library's own error printing would go to stderr of a GUI program
    // and repeat itself at every level; the failure is told once, by the
    // message returned.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    // The library opens the file by name and seeks in it: a pipe or a device
    // cannot take it, and a link is followed to the file it names.
    const OutputTarget target = ResolveOutputPath(utf8Path);
    if (target.kind != OutputKind::RegularFile) {
        error = name + " に書き出せませんでした。(" +
                (target.kind == OutputKind::Stream
                     ? std::string("HDF5 ファイルはパイプやデバイス、標準出力には書き出せません。"
                                   "通常のファイルを指定してください")
                     : target.reason) +
                ")";
        return false;
    }
    if (options.progress) options.progress->total.store(StoreSpectraBytes(doc));
    // A named temporary of the data file's pattern, so a killed export's
    // leftover is cleared by the next save or export into the folder.
    std::string partial, reason;
    {
        FileHandle reserve;
        if (!reserve.CreateTempBeside(target.path, partial, reason, true)) {
            error = name + " に書き出せませんでした。(ファイルを作成できません: " + reason + ")";
            return false;
        }
        reserve.Close(reason);
    }
    Hdf5WriteGuard guard;
    try {
        Hdf5Handle fapl(GuardedFileAccess(guard), H5Pclose);
        if (!fapl.valid()) throw Hdf5Failure("ファイルを作成できません");
        Hdf5Handle file(H5Fcreate(partial.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, fapl.get()),
                        H5Fclose);
        if (!file.valid()) Throw("ファイルを作成できません");
        StoreWriter(doc, options, guard).Write(file.get());
        if (!file.Reset() || guard.Failed()) throw Hdf5Failure(kWriteFailed);
        if (!FileHandle::RenameOver(partial, target.path, reason))
            throw Hdf5Failure("ファイルを置き換えられません: " + reason);
        return true;
    } catch (const Hdf5Failure& failure) {
        // Where the disk refused a write, that is the reason; whatever the
        // library said after it only follows from it.
        error = name + " に書き出せませんでした。(" +
                (guard.Failed() ? std::string(kWriteFailed) + ": " + guard.Reason()
                                : std::string(failure.what())) +
                ")";
    } catch (const std::bad_alloc&) {
        error = name + " に書き出せませんでした。(メモリが不足しています)";
    } catch (const Hdf5Cancelled&) {
        error.clear();
    }
    FileHandle::RemoveFile(partial);
    return false;
}

}  // namespace vmf
