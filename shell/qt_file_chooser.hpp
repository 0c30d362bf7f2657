#pragma once
// The open-file dialog of the file handlers, as a QFileDialog.
#include "shell/dialog_ports.hpp"

class QtFileChooser final : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override;
    std::optional<std::vector<std::string>> chooseFiles(const FileRequest& request) override;
};
