// Fuzz target: the bytes are a CIF handed to the CIF reader. Besides the sanitizers' findings, it
// traps when the reader breaks its contract, or when the series, written out as a data file,
// does not read back as the same series.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calc/validate_cells.hpp"
#include "input/cif_reader.hpp"
#include "input/data_file_writer.hpp"
#include "input/readfile.hpp"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool sameBits(float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<CifText> texts{{"fuzz.cif", std::string(reinterpret_cast<const char*>(data), size)}};
    const ReadResult read = readCifTexts(texts);
    if (!read.ok()) {
        require(!read.reason.empty());
        require((read.failure == ReadFailure::invalidCell) == (read.badPoint >= 1));
        return 0;
    }
    const Series& series = read.series;
    require(series.points.size() >= 2);
    require(series.note.size() < 100);
    for (const DataPoint& p : series.points) require(isValidCell(p));

    const std::string text = dataFileText(series);
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    std::FILE* file = fmemopen(bytes.data(), text.size(), "rb");
    if (!file) return 0;
    const ReadResult back = readSeriesFile(file);
    std::fclose(file);
    require(back.ok());
    require(back.series.title == series.title);
    require(back.series.crystalSystem == series.crystalSystem && back.series.pressureRun == series.pressureRun);
    require(back.series.points.size() == series.points.size());
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        const DataPoint& a = series.points[n];
        const DataPoint& b = back.series.points[n];
        require(sameBits(a.p, b.p) && sameBits(a.sigP, b.sigP) && sameBits(a.t, b.t) && sameBits(a.sigT, b.sigT));
        for (int k = 0; k < 6; ++k) require(sameBits(a.cell[k], b.cell[k]) && sameBits(a.cell.esd[k], b.cell.esd[k]));
        require(sameBits(a.volumeAsRead, b.volumeAsRead) && sameBits(a.volumeAsReadEsd, b.volumeAsReadEsd));
    }
    return 0;
}
