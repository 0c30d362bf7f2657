#pragma once
// The open-file dialog of the file handlers, as a QFileDialog.
#include "shell/dialog_ports.hpp"

class QWidget;

class QtFileChooser final : public FileChooser {
public:
    // The file dialog belongs to `owner` (the main window): it opens over it, in its font.
    explicit QtFileChooser(QWidget* owner = nullptr) : owner_(owner) {}
    std::optional<std::string> choose(const FileRequest& request) override;

private:
    QWidget* owner_;
};
