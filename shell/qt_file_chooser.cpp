#include "shell/qt_file_chooser.hpp"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

// The chosen files, or nothing when the user cancels.
std::optional<QStringList> runDialog(QWidget* owner, const QString& folder, const FileRequest& request) {
    const QString title = QString::fromStdString(request.title);
    QFileDialog dialog(owner, title, folder);
    // Qt's own dialog on every desktop: a native open dialog may refuse a new print file name
    // and ignore the default extension.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple    ? QFileDialog::ExistingFiles
                       : request.mustExist ? QFileDialog::ExistingFile
                                           : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, request.readOnly);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));

    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        // "*.*" stands for every file; in Qt it would miss names without a dot.
        const QString pattern =
            filter.pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.pattern);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.label), pattern);
    }
    dialog.setNameFilters(filters);
    if (request.initialFilter >= 0 && request.initialFilter < filters.size())
        dialog.selectNameFilter(filters.at(request.initialFilter));
    if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));

    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        const QString path = files.front();
        const QFileInfo info(path);
        if (request.refuseReadOnly && info.exists() && !info.isWritable()) {
            QMessageBox::warning(&dialog, title,
                                 QStringLiteral("%1\nThis file is read-only.\nChoose another file.").arg(path));
            continue;
        }
        return files;
    }
}

}  // namespace

std::optional<std::string> QtFileChooser::choose(const FileRequest& request) {
    FileRequest one = request;
    one.multiple = false;
    const std::optional<QStringList> files = runDialog(owner_, folder_, one);
    if (!files) return std::nullopt;
    folder_ = QFileInfo(files->front()).absolutePath();
    return files->front().toStdString();
}

std::optional<std::vector<std::string>> QtFileChooser::chooseFiles(const FileRequest& request) {
    const std::optional<QStringList> files = runDialog(owner_, folder_, request);
    if (!files) return std::nullopt;
    folder_ = QFileInfo(files->front()).absolutePath();
    std::vector<std::string> paths;
    for (const QString& path : *files) paths.push_back(path.toStdString());
    return paths;
}
