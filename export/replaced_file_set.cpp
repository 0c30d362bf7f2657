#include "export/replaced_file_set.hpp"

bool ReplacedFileSet::write(const std::filesystem::path& path, std::string_view text) {
    return open(path) && append(text) && close();
}

bool ReplacedFileSet::open(const std::filesystem::path& path) {
    if (!failure_.empty()) return false;
    auto file = std::make_unique<ReplacedFile>();
    if (!file->open(path)) {
        failure_ = file->failure();
        return false;
    }
    files_.push_back(std::move(file));
    return true;
}

bool ReplacedFileSet::append(std::string_view text) {
    if (!failure_.empty() || files_.empty()) return false;
    files_.back()->write(text);
    if (!files_.back()->failure().empty()) failure_ = files_.back()->failure();
    return failure_.empty();
}

bool ReplacedFileSet::close() {
    if (!failure_.empty() || files_.empty()) return false;
    // Written out at once, so that a full disk is found at the file it stops.
    files_.back()->flush();
    if (!files_.back()->failure().empty()) failure_ = files_.back()->failure();
    return failure_.empty();
}

bool ReplacedFileSet::commit() {
    if (!failure_.empty()) return false;
    for (const auto& file : files_) {
        if (!file->finish()) {
            failure_ = file->failure();
            files_.clear();  // nothing is in place yet: the new files go
            return false;
        }
    }
    for (std::size_t k = 0; k < files_.size(); ++k) {
        if (files_[k]->swapIntoPlace()) continue;
        failure_ = files_[k]->failure();
        // The files already in place give their names back to the earlier ones.
        while (k-- > 0) files_[k]->restore();
        files_.clear();
        return false;
    }
    files_.clear();  // the earlier files, set aside until now, go
    return true;
}
