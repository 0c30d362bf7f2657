#include "run/output_targets.hpp"

#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <vector>

namespace {

// Where a target would be: its folder's identity and its name there, when the folder exists.
struct Place {
    std::optional<FileIdentity> folder;
    std::string name;
    std::filesystem::path normal;  // absolute, without "." and ".." steps
};

// The path a name reaches through symbolic links, also those whose target does not exist yet
// (writing through such a link creates its target).
std::filesystem::path followLinks(std::filesystem::path path) {
    constexpr int kMostLinks = 40;  // as the system's own limit on a chain of links
    std::error_code ec;
    for (int k = 0; k < kMostLinks && std::filesystem::is_symlink(path, ec); ++k) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

Place placeOf(const std::filesystem::path& given) {
    Place place;
    std::error_code ec;
    const std::filesystem::path path = followLinks(given);
    place.normal = std::filesystem::absolute(path, ec).lexically_normal();
    const std::filesystem::path folder = path.parent_path();
    place.folder = identityOf(folder.empty() ? std::filesystem::path(".") : folder);
    place.name = path.filename().string();
    return place;
}

}  // namespace

bool isStandardStream(const std::filesystem::path& path) { return path == "-"; }

std::optional<FileIdentity> identityOfTarget(const OutputTarget& target) {
    return isStandardStream(target.path) ? identityOf(STDOUT_FILENO) : identityOf(target.path);
}

std::string describeTarget(const OutputTarget& target) {
    return target.role + " " + (isStandardStream(target.path) ? std::string("- (standard output)") : target.path.string());
}

std::optional<std::pair<std::size_t, std::size_t>> firstSameFile(std::span<const OutputTarget> targets) {
    std::vector<std::optional<FileIdentity>> identities;
    std::vector<Place> places;
    for (const OutputTarget& target : targets) {
        identities.push_back(identityOfTarget(target));
        places.push_back(isStandardStream(target.path) ? Place{} : placeOf(target.path));
    }
    for (std::size_t j = 1; j < targets.size(); ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            const bool bothStandard = isStandardStream(targets[i].path) && isStandardStream(targets[j].path);
            const bool oneFile = identities[i] && identities[i] == identities[j];
            const Place& a = places[i];
            const Place& b = places[j];
            const bool onePlace = !a.name.empty() && a.name == b.name &&
                                  ((a.folder && a.folder == b.folder) || (!a.normal.empty() && a.normal == b.normal));
            if (bothStandard || oneFile || onePlace) return std::pair{i, j};
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> firstTargetOnInput(std::span<const OutputTarget> targets,
                                              std::span<const FileIdentity> inputs) {
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const std::optional<FileIdentity> identity = identityOfTarget(targets[k]);
        if (identity && std::find(inputs.begin(), inputs.end(), *identity) != inputs.end()) return k;
    }
    return std::nullopt;
}
