#include "run/file_identity.hpp"

#include <sys/stat.h>

#include <algorithm>

#include "report/result_files.hpp"
#include "run/status_texts.hpp"

namespace {

FileIdentity identityFrom(const struct stat& info) { return {info.st_dev, info.st_ino}; }

}  // namespace

std::optional<FileIdentity> identityOf(const std::filesystem::path& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return identityFrom(info);
}

std::optional<FileIdentity> identityOf(int descriptor) {
    struct stat info {};
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0) return std::nullopt;
    return identityFrom(info);
}

std::optional<FileIdentity> identityOf(std::FILE* file) {
    return file ? identityOf(::fileno(file)) : std::nullopt;
}

InputClash outputClash(std::span<const FileIdentity> inputs, std::optional<FileIdentity> printFile,
                       const std::filesystem::path& resultFolder, std::string_view printFileName) {
    const auto isInput = [&](const std::optional<FileIdentity>& output) {
        return output && std::find(inputs.begin(), inputs.end(), *output) != inputs.end();
    };
    if (isInput(printFile)) return InputClash::printFile;
    if (printFileName.empty()) return InputClash::none;
    for (const std::filesystem::path& result : ResultFileNames(resultFolder, printFileName).all()) {
        if (isInput(identityOf(result))) return InputClash::resultFile;
    }
    return InputClash::none;
}

std::string_view clashText(InputClash clash) {
    switch (clash) {
    case InputClash::printFile: return status::printIsInput;
    case InputClash::resultFile: return status::resultIsInput;
    case InputClash::none: break;
    }
    return {};
}
