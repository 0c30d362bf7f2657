#pragma once
// The open-file dialog of the file handlers, as a QFileDialog.
#include "shell/dialog_ports.hpp"

#include <QDir>
#include <QString>

class QWidget;

class QtFileChooser final : public FileChooser {
public:
    // The file dialog belongs to `owner` (the main window): it opens over it, in its font.
    explicit QtFileChooser(QWidget* owner = nullptr) : owner_(owner) {}
    std::optional<std::string> choose(const FileRequest& request) override;
    std::optional<std::vector<std::string>> chooseFiles(const FileRequest& request) override;

private:
    QWidget* owner_;
    // Each dialog starts in the folder of the last file chosen with either dialog.
    QString folder_ = QDir::currentPath();
};
