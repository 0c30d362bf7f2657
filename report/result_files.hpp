#pragma once
// The three result files: names formed from the print file's name, header blocks, data lines.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "LIBRARIES/records/record_writer.hpp"
#include "output/run_output.hpp"

// The result file's name for a print file name (without folder) and a suffix such as "_strain.cal"
// (11 characters, padded with blanks). Positions count characters of the UTF-8 name, so that a
// name is never cut inside one.
std::string resultFileName(std::string_view printFileName, std::string_view suffix);

// The paths of the three result files of a print file, in a folder.
struct ResultFileNames {
    std::filesystem::path strain;     // NAME_strain.cal
    std::filesystem::path tensor;     // NAME_tensor.cal: the property tensor
    std::filesystem::path principal;  // NAME_prin.cal: for no crystal system or a monoclinic one only

    ResultFileNames(const std::filesystem::path& folder, std::string_view printFileName);
    // The files a run of this crystal system writes.
    std::vector<std::filesystem::path> written(CrystalSystem system) const;
    std::array<std::filesystem::path, 3> all() const { return {strain, tensor, principal}; }
};

// NAME_strain.cal, NAME_tensor.cal and, for no crystal system or a monoclinic one, NAME_prin.cal,
// opened for appending in `folder`.
class ResultFiles : public RunOutput {
public:
    ResultFiles(std::filesystem::path folder, std::string printFileName)
        : folder_(std::move(folder)), printFileName_(std::move(printFileName)) {}

    // OPEN_SUBSIDIARY_FILES: opens the files and writes their header blocks; stops at the first
    // file that cannot be opened.
    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    bool end() override;
    // The first file that could not be opened or written, and the system's reason; empty when none.
    std::string failure() const;

private:
    std::filesystem::path folder_;
    std::string printFileName_;
    std::string openFailure_;
    RecordFile strainCalFile_;
    RecordFile tensorCalFile_;
    RecordFile prinCalFile_;
};

// 5X,F7.2,12F12.8: the midpoint, then 11, 22, 33, 12, 13, 23 each followed by its esd.
void writeTensorLine(RecordFile& file, float midpoint, const Mat3& tensor, const Mat3& esd);
