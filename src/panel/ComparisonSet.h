#pragma once
// The comparison file: a second store loaded from a data file, the head and
// record chosen in the comparison rows (1044/1045, 1049/1050), and each
// comparison head's spectrum on the display grid, drawn as stored in the
// file (no correction is applied again).
//
// The store, the indices and the grid rows are the panel's members (the
// layout and the graph read them); this class is the only writer. Every
// change leaves them consistent: the indices inside the loaded file, and
// every grid row either a record of the loaded file or zeros.

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreBounds.h"

namespace vmf {

class FileWork;

using CompareRows = std::array<std::array<float, GRID_POINTS>, MAX_HEADS>;

class ComparisonSet {
public:
    ComparisonSet(std::unique_ptr<Cvarnello_mfDoc>& store, CompareRows& spectrum, int& head,
                  int& record);

    // Reads the data file at utf8Path into a new store. On success it
    // replaces the previous comparison: name = the path's file-name part,
    // head and record 0, and record 0 of every head that has one resampled
    // (rows of heads without records zeroed), so no curve shows a previous
    // file. On failure nothing changes and error holds the store's message;
    // a load cancelled through its progress changes nothing either and
    // leaves error empty. The reading runs through work (at once without).
    bool Load(const std::string& utf8Path, std::string& error, FileWork* work = nullptr);
    // No comparison: store gone, name empty, indices 0, rows zeroed.
    void Clear();

    bool Loaded() const { return store_ != nullptr; }
    // The file-name part of the loaded path (edit 1022); empty when none.
    const std::string& Name() const { return name_; }
    int HeadCount() const;
    // recordCount of comparison head a (0 outside the file's heads).
    int RecordCount(int a) const;

    // The comparison rows: move the head or the record by delta (-1 / +1)
    // when the target lies inside the file, then resample the pair shown.
    // A head change keeps the record unless the new head has fewer records,
    // where it is brought back to that head's last one. True when changed.
    bool StepHead(int delta);
    bool StepRecord(int delta);

    // Resamples record r of comparison head a onto the grid (row a). A pair
    // outside the file, or a slot without spectra, zeroes row a instead.
    void ResampleCompare(int a, int r);

    // "%d / %d" of head + 1 and the head count; the record text ("%d / %d"
    // of record + 1 and the current head's record count) only when the file
    // has heads.
    std::string HeadPositionText() const;
    std::optional<std::string> RecordPositionText() const;

private:
    void ClampRecord();

    std::unique_ptr<Cvarnello_mfDoc>& store_;
    CompareRows& spectrum_;
    int& head_;
    int& record_;
    std::string name_;
};

}  // namespace vmf
