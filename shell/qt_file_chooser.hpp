#pragma once
// The open-file dialog of the file handlers, as a QFileDialog.
#include "shell/dialog_ports.hpp"

class QtFileChooser final : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override;
};
